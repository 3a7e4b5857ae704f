// The settings file with the profile semantics of Windows, which every
// window of the program relies on:
//  - section and key names match case-insensitively, blanks around them
//    ignored ("Last File Saved       " and "last file saved" are one key);
//  - the first matching section and the first matching key win;
//  - values are read trimmed, with one pair of surrounding quotes removed;
//  - a missing key or an unreadable number yields the caller's default;
//  - every write reaches the disk at once, through a temporary file and a
//    rename, and is seen at once by every other IniFile on the same path in
//    the process (they share one model per path).
// The file is UTF-8 text, written with CR LF line ends; LF is read as well.
// A line that is not valid UTF-8 is read as Windows-1254 (a file of the
// Windows program), so its Turkish letters survive the next write.
// A byte order mark at its start is skipped when reading and kept on writes.
// Lines that are neither sections nor key=value pairs are kept as they are.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
    double ReadFloat(std::string_view section, std::string_view key, double fallback) const;

    // Writes return false when the file could not be written; the value is
    // still kept for this run.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool WriteFloat(std::string_view section, std::string_view key, double value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> ReadSection(std::string_view section) const;  // key names
    std::vector<std::string> ReadSections() const;
    bool EraseSection(std::string_view section);
    bool DeleteKey(std::string_view section, std::string_view key);

    // Forgets the shared models, so the next IniFile reads the disk again.
    static void DropCachedModels();

    // While refused, every write, erase and delete of every IniFile returns
    // false and changes neither the file nor what is read: a file that is
    // being replaced from outside (a settings import) must reach the disk as
    // it came, whatever a timer or a window still wants to store.
    static void SetWritesRefused(bool refused);
    static bool WritesRefused();

    struct Model;

private:
    std::string path_;
    std::shared_ptr<Model> model_;
};

}  // namespace platform
