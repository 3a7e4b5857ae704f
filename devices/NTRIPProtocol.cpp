#include "devices/NTRIPProtocol.h"

#include <cmath>
#include <cstdint>

#include "devices/Base64.h"

namespace {

constexpr std::string_view kUserAgent = "User-Agent: NTRIP PlovanNTRIPClient/1.0\r\n";

bool Contains(std::string_view text, std::string_view what) {
    return text.find(what) != std::string_view::npos;
}

std::string ZeroPadded(long long value, int width) {
    std::string digits = platform::IntToStr(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string HexByte(unsigned value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {kHex[(value >> 4) & 15], kHex[value & 15]};
}

}  // namespace

std::string FormatDegreesMinutes(double degrees, int degreeWidth) {
    const long long tenThousandths = std::llround(std::fabs(degrees) * 600000.0);
    const long long wholeDegrees = tenThousandths / 600000;
    const long long minuteTicks = tenThousandths % 600000;
    return ZeroPadded(wholeDegrees, degreeWidth) + ZeroPadded(minuteTicks / 10000, 2) + "." +
           ZeroPadded(minuteTicks % 10000, 4);
}

std::string BuildNtripRequest(int mode, const std::string& host, const std::string& mountPoint,
                              const std::string& user, const std::string& password) {
    std::string authorization;
    if (!user.empty())
        authorization = "Authorization: Basic " + Base64Encode(user + ":" + password) + "\r\n";
    if (mode == 0) {
        return "GET /" + mountPoint + " HTTP/1.0\r\n" + std::string(kUserAgent) + authorization +
               "\r\n";
    }
    if (mode == 1) {
        return "GET /" + mountPoint + " HTTP/1.1\r\n" + "Host: " + host + "\r\n" +
               "Ntrip-Version: Ntrip/2.0\r\n" + std::string(kUserAgent) + authorization + "\r\n";
    }
    return {};
}

bool IsSafeRequestText(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) return false;
    }
    return true;
}

platform::DateTime LocalToUtcTimeOfDay(const platform::DateTime& local, int offsetMinutes) {
    constexpr int kDay = 24 * 3600;
    int seconds = local.hour * 3600 + local.minute * 60 + local.second - offsetMinutes * 60;
    seconds = ((seconds % kDay) + kDay) % kDay;
    platform::DateTime utc = local;
    utc.hour = seconds / 3600;
    utc.minute = seconds / 60 % 60;
    utc.second = seconds % 60;
    return utc;
}

std::string FormatGGA(double latitude, double longitude, double altitude,
                      const platform::DateTime& utc) {
    std::string body = "GPGGA," + ZeroPadded(utc.hour, 2) + ZeroPadded(utc.minute, 2) +
                       ZeroPadded(utc.second, 2) + ",";
    body += FormatDegreesMinutes(latitude, 2) + (latitude >= 0 ? ",N," : ",S,");
    body += FormatDegreesMinutes(longitude, 3) + (longitude >= 0 ? ",E," : ",W,");
    body += "1,10,1.0," + platform::FormatFloat("0.0", altitude) + ",M,0.0,M,,";
    unsigned checksum = 0;
    for (const char c : body) checksum ^= static_cast<unsigned char>(c);
    return "$" + body + "*" + HexByte(checksum);
}

SourceTableMountPoints ParseSourceTableText(std::string_view text) {
    SourceTableMountPoints result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, 4) != "STR;") continue;
        const std::string_view rest = line.substr(4);
        const size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos) continue;
        result.names.emplace_back(rest.substr(0, semicolon));
        std::vector<std::string_view> fields;
        size_t fieldStart = 0;
        for (;;) {
            const size_t next = line.find(';', fieldStart);
            fields.push_back(line.substr(
                fieldStart, next == std::string_view::npos ? line.npos : next - fieldStart));
            if (next == std::string_view::npos) break;
            fieldStart = next + 1;
        }
        result.needsGGA.emplace_back(fields.size() >= 12 && fields[11] == "1" ? "1" : "0");
    }
    return result;
}

NtripAnswer NtripResponseReader::ErrorFor(bool capped) const {
    NtripAnswer answer;
    answer.kind = NtripAnswer::Error;
    const std::string& h = header_;
    if (!capped && Contains(h, "401")) {
        answer.message = "401 - Invalid username or password";
        answer.refused = true;
    } else if (!capped && Contains(h, "404")) {
        answer.message = "404 - Mount point not found: " + mountPoint_;
    } else if (!capped && Contains(h, "403")) {
        answer.message = "403 - Access forbidden";
        answer.refused = true;
    } else {
        const size_t lineEnd = h.find("\r\n");
        if (lineEnd != std::string::npos) answer.serverResponse = h.substr(0, lineEnd);
        answer.message = "Unknown server response";
    }
    return answer;
}

NtripAnswer NtripResponseReader::TableAnswer(size_t searchFrom) const {
    NtripAnswer answer;
    if (table_.find("ENDSOURCETABLE", searchFrom) != std::string::npos) {
        answer.kind = NtripAnswer::Table;
        answer.table = table_;
    } else if (table_.size() > kTableCap) {
        answer.kind = NtripAnswer::Error;
        answer.message = "Unknown server response";
    }
    return answer;
}

NtripAnswer NtripResponseReader::Feed(std::string_view chunk) {
    NtripAnswer answer;
    if (inTable_) {
        // Only the tail can complete the end marker that this chunk finishes.
        constexpr size_t kMarker = sizeof("ENDSOURCETABLE") - 1;
        const size_t from = table_.size() >= kMarker ? table_.size() - (kMarker - 1) : 0;
        table_.append(chunk);
        return TableAnswer(from);
    }

    header_.append(chunk);
    const std::string& h = header_;
    size_t e = h.find("\r\n\r\n");
    const size_t icy = h.find("ICY 200 OK");
    const size_t icyLine = h.find("ICY 200 OK\r\n");
    if (e == std::string::npos && icy != std::string::npos && icyLine != std::string::npos) {
        e = icyLine + 10;
    }
    if (e == std::string::npos) {
        if (h.size() > kHeaderCap) return ErrorFor(true);
        return answer;
    }
    if (!Contains(h, "200 OK") && !Contains(h, "SOURCETABLE")) return ErrorFor(false);

    if (Contains(h, "SOURCETABLE")) {
        inTable_ = true;
        table_ = e + 4 < h.size() ? h.substr(e + 4) : std::string();
        return TableAnswer(0);
    }

    answer.kind = NtripAnswer::Stream;
    const size_t dataStart =
        (icy != std::string::npos && icyLine != std::string::npos) ? icyLine + 12 : e + 4;
    if (dataStart < h.size()) answer.data = h.substr(dataStart);
    return answer;
}

NtripAnswer NtripResponseReader::Closed() const {
    if (inTable_ || header_.empty()) return {};
    return ErrorFor(false);
}
