// The caster profiles of the NTRIP settings window: a text file
// ("profiles.txt" beside the executable), one profile per line, seven fields
// separated by TAB: name, server, port, user name, password, latitude,
// longitude. The name is server + ":" + port, with user name + "@" in front
// when there is one. Lines without a TAB are not profiles; every profile
// keeps the number of its own file line, so a blank or foreign line never
// shifts one profile onto another's server and password.
//
// The file holds passwords in clear: it is written with mode 0600, whole,
// through a temporary file and a rename, with CR LF line ends; it is read as
// UTF-8, else Windows-1254.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devices {

struct NtripProfileEntry {
    std::string name;     // the text before the line's first TAB
    size_t fileLine = 0;  // 0-based line of the file
};

struct NtripProfile {
    std::string server, port, user, password, latitude, longitude;
};

std::string NtripProfileName(const std::string& server, const std::string& port,
                             const std::string& user);

// The profiles of a file's text, in file order.
std::vector<NtripProfileEntry> ListNtripProfiles(std::string_view fileText);

// The TAB-separated fields of file line `fileLine` (without the name field
// removed); empty when the line does not exist.
std::vector<std::string> NtripProfileFields(std::string_view fileText, size_t fileLine);

// The file's text with the first line that begins with name + TAB replaced by
// `profile`'s line, or that line appended; other lines kept as they were.
std::string PutNtripProfile(std::string_view fileText, const NtripProfile& profile);

// Reads the file (empty text when it does not exist; std::nullopt when it
// exists but cannot be read).
std::optional<std::string> ReadNtripProfiles(const std::string& path);
// Writes the text whole (mode 0600, CR LF); false on any failure.
bool WriteNtripProfiles(const std::string& path, std::string_view fileText);

}  // namespace devices
