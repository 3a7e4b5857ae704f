// Text files the way the program writes them: log entries appended with
// CR LF line ends (as a text-mode write on Windows stores them), and files
// rewritten whole through a temporary file and a rename so that a crash or a
// power loss leaves the old file or the new one, never half of one.
#pragma once

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

// Whole file as bytes; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

// Splits text into lines, accepting CR LF and LF (a lone CR stays in the line).
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace platform
