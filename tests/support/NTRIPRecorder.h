// Records what an NTRIP client raises (status, log, data, source table), for
// the client tests. Header-only.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "devices/TPlovanNTRIPClient.h"

namespace phxtest {

struct NtripRecorder {
    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> logs;
    std::string data;
    int dataEvents = 0;
    std::vector<std::vector<std::string>> tables;

    void Attach(TPlovanNTRIPClient& client) {
        client.OnStatus = [this](TPlovanNTRIPClient*, int32_t status, const std::string& message) {
            statuses.emplace_back(status, message);
        };
        client.OnLog = [this](TPlovanNTRIPClient*, const std::string& message) {
            logs.push_back(message);
        };
        client.OnData = [this](TPlovanNTRIPClient*, const char* bytes, int32_t count) {
            data.append(bytes, static_cast<size_t>(count));
            ++dataEvents;
        };
        client.OnSourceTable = [this](TPlovanNTRIPClient*, const std::vector<std::string>& names) {
            tables.push_back(names);
        };
    }

    bool HasLog(const std::string& text) const {
        return std::find(logs.begin(), logs.end(), text) != logs.end();
    }
    int CountLog(const std::string& text) const {
        return static_cast<int>(std::count(logs.begin(), logs.end(), text));
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const auto& [code, message] : statuses) codes.push_back(code);
        return codes;
    }
    bool HasStatus(int code, const std::string& message) const {
        return std::find(statuses.begin(), statuses.end(), std::make_pair(code, message)) !=
               statuses.end();
    }
};

}  // namespace phxtest
