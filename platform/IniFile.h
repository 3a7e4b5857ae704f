// The settings file with the profile semantics of Windows, which every
// window of the program relies on:
//  - section and key names match case-insensitively, blanks around them
//    ignored ("Last File Saved       " and "last file saved" are one key);
//  - the first matching section and the first matching key win;
//  - values are read trimmed, with one pair of surrounding quotes removed;
//  - a missing key or an unreadable number yields the caller's default;
//  - every write reaches the disk at once, through a temporary file and a
//    rename, and is seen at once by every other IniFile on the same path in
//    the process (they share one model per path); a Batch gathers the keys
//    of one save into one such write;
//  - the file is private: written 0600 (or the stricter mode the user gave
//    it), through a symbolic link to the link's target, the link kept;
//  - a file that is there but cannot be read (no permission, an I/O error,
//    not a regular file, larger than kSettingsMaxFileBytes) is never written:
//    the program says so once and goes on with the defaults; every write to
//    it fails for the rest of the run, keeping its value in memory only.
// The file is UTF-8 text, written with CR LF line ends; LF is read as well.
// A line that is not valid UTF-8 is read as Windows-1254 (a file of the
// Windows program), so its Turkish letters survive the next write.
// A byte order mark at its start is skipped when reading and kept on writes.
// Lines that are neither sections nor key=value pairs are kept as they are.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A settings file is a few kilobytes; one far beyond that is no settings file.
inline constexpr std::size_t kSettingsMaxFileBytes = std::size_t{16} << 20;

class IniFile {
public:
    explicit IniFile(std::string path);

    // Keeps the writes, erases and deletions made through one IniFile in the
    // shared model while it lives (every IniFile on the path reads them at
    // once) and writes the file once, at Commit or when it goes: a save of
    // many keys is one atomic write, with the same bytes as key by key.
    // Batches nest; the outermost one writes.
    class Batch {
    public:
        explicit Batch(IniFile& ini);
        ~Batch();  // writes what is pending when Commit did not
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Writes what is pending. False when the file could not be written,
        // or when a write of the batch was refused: the batch then writes
        // nothing.
        bool Commit();

    private:
        IniFile& ini_;
        bool open_ = true;
    };

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

    // The file was there but could not be read: nothing is written to it.
    bool Unreadable() const;

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
    // True, and the batch failed, while writes are refused: the write must
    // change nothing.
    bool Refused();
    // Writes the model after a change, or leaves it to the batch; false when
    // the file could not be written. The model's lock is held.
    bool Store();
    bool Flush();

    std::string path_;
    std::shared_ptr<Model> model_;
    int batchDepth_ = 0;
    bool batchPending_ = false;
    bool batchRefused_ = false;
};

}  // namespace platform
