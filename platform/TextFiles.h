// Files the way the program reads and writes them: log entries appended
// with CR LF line ends (as a text-mode write on Windows stores them), files
// rewritten whole through a temporary file and a rename so that a crash or a
// power loss leaves the old file or the new one, never half of one, and
// files read whole only when they are regular files of a bounded size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Every LF not already preceded by CR becomes CR LF.
std::string ToCrLf(std::string_view text);

// Writes every byte to `fd`, going on after short writes and EINTR; false on
// any error (also EFBIG under a file-size limit; ENOSPC when a write takes
// nothing).
bool WriteAllBytes(int fd, std::string_view bytes);

// Opens `path` for appending, writes `text` with CR LF line ends, closes.
// Returns false when the file cannot be opened or written; the caller goes on.
bool AppendText(const std::string& path, std::string_view text);

// Writes `bytes` to a temporary file in the same folder, flushes it to the
// disk and renames it over `path`. On any failure the old file is untouched,
// the temporary file is removed and false is returned. The new file gets
// `mode` (0644 unless a file must stay private).
bool WriteFileAtomic(const std::string& path, std::string_view bytes, unsigned mode = 0644);

// How a file replaced by ReplaceFile gets its permission bits: a new file
// is made with `created` less the umask; an existing one keeps its own bits
// within `kept` (a private file is never opened up again, and a stricter mode
// the user set stays).
struct FileModes {
    unsigned created = 0644;
    unsigned kept = 0777;
};

// The settings file and whatever holds the caster password: 0600, or less.
inline constexpr FileModes kPrivateFileModes{0600, 0600};

// Replaces the file at `path` whole, following a symbolic link: the link's
// final target is replaced (its temporary file made in the target's folder)
// and the link stays a link. A folder or a device is never replaced, nor a
// file whose mode has no write bit at all (judged by the mode, since root
// passes every access check). On every failure (also a file-size limit, once
// SIGXFSZ is ignored, and a full disk) the temporary file is removed and the
// old file stays as it was.
bool ReplaceFile(const std::string& path, std::string_view bytes, FileModes modes = {});

enum class FileReadStatus { Ok, Missing, NotRegular, TooLarge, Unreadable };

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Ok;
    int error = 0;             // errno of a Missing (ENOENT, ENOTDIR) or Unreadable file
    std::size_t maxBytes = 0;  // the bound of a TooLarge file
    bool ok() const { return status == FileReadStatus::Ok; }
};

// The whole file at `path` in `bytes` (empty unless Ok). The file is opened
// without waiting and close-on-exec, so a FIFO, a device or a socket picked
// in a dialog never blocks the caller, and read only when it is a regular
// file of at most `maxBytes`; a file that grows while it is read is held to
// the same bound.
FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// Why a file was not read, for a message: "not a regular file", "larger than
// 16 MB", or the system's reason ("permission denied", "no such file or
// directory"); empty for Ok.
std::string FileReadReason(const FileReadResult& result);

// `path` + " (" + the reason + ")".
std::string FileReadProblem(const std::string& path, const FileReadResult& result);

// Whole file as bytes, through ReadRegularFile without a size bound; false
// when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

// Splits text into lines, accepting CR LF and LF (a lone CR stays in the line).
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace platform
