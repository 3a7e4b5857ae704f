// The project file on disk: read whole with its size checked first (through
// platform::ReadRegularFile, so a FIFO never blocks), and written whole
// through a temporary file and a rename (platform::ReplaceFile).
//
// Writing follows a symbolic link: the link's final target is replaced and
// the link stays a link. An existing file keeps its permission bits; one
// whose mode has no write bit at all is not replaced (the write fails). A new
// file is made with 0644 less the umask. On every failure the old file stays
// as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlm {

bool WriteProjectFile(const std::string& path, std::string_view bytes);

// The whole file at `path` in `bytes`. False, without reading, for a file
// that is missing, not a regular file or larger than `maxBytes`.
bool ReadProjectFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace vlm
