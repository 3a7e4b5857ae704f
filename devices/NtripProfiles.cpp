#include "devices/NtripProfiles.h"

#include <filesystem>

#include "platform/TextCodec.h"
#include "platform/TextFiles.h"

namespace devices {
namespace {

std::vector<std::string> Split(std::string_view line, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(separator, start);
        fields.emplace_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

std::string ProfileLine(const NtripProfile& p) {
    return NtripProfileName(p.server, p.port, p.user) + "\t" + p.server + "\t" + p.port + "\t" +
           p.user + "\t" + p.password + "\t" + p.latitude + "\t" + p.longitude;
}

}  // namespace

std::string NtripProfileName(const std::string& server, const std::string& port,
                             const std::string& user) {
    return (user.empty() ? "" : user + "@") + server + ":" + port;
}

std::vector<NtripProfileEntry> ListNtripProfiles(std::string_view fileText) {
    std::vector<NtripProfileEntry> entries;
    const std::vector<std::string> lines = platform::SplitLines(fileText);
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t tab = lines[i].find('\t');
        if (tab != std::string::npos) entries.push_back({lines[i].substr(0, tab), i});
    }
    return entries;
}

std::vector<std::string> NtripProfileFields(std::string_view fileText, size_t fileLine) {
    const std::vector<std::string> lines = platform::SplitLines(fileText);
    if (fileLine >= lines.size()) return {};
    return Split(lines[fileLine], '\t');
}

std::string PutNtripProfile(std::string_view fileText, const NtripProfile& profile) {
    std::vector<std::string> lines = platform::SplitLines(fileText);
    const std::string prefix = NtripProfileName(profile.server, profile.port, profile.user) + "\t";
    bool replaced = false;
    for (std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            line = ProfileLine(profile);
            replaced = true;
            break;
        }
    }
    if (!replaced) lines.push_back(ProfileLine(profile));
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::optional<std::string> ReadNtripProfiles(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return std::string();
    std::string bytes;
    if (!platform::ReadFile(path, bytes)) return std::nullopt;
    return platform::DecodeText(bytes);
}

bool WriteNtripProfiles(const std::string& path, std::string_view fileText) {
    return platform::WriteFileAtomic(path, platform::ToCrLf(fileText), 0600);
}

}  // namespace devices
