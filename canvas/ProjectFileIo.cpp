#include "canvas/ProjectFileIo.h"

#include "platform/TextFiles.h"

namespace vlm {

bool WriteProjectFile(const std::string& path, std::string_view bytes) {
    return platform::ReplaceFile(path, bytes, {0644, 0777});
}

bool ReadProjectFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    return platform::ReadRegularFile(path, bytes, maxBytes).ok();
}

}  // namespace vlm
