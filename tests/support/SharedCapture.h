// The byte stream of a device capture in the shared data folder: the file
// without its leading '#' comment lines, every other byte kept. Header-only.
#pragma once

#include <string>

#include "tests/support/TempHome.h"

namespace phxtest {

// `relative` is below PHX_SHARED_DATA_DIR, e.g. "rtcm3/rtcm3.log"; empty when missing.
inline std::string SharedCaptureBytes(const std::string& relative) {
    const std::string all = ReadAll(std::string(PHX_SHARED_DATA_DIR) + "/" + relative);
    size_t at = 0;
    while (at < all.size() && all[at] == '#') {
        const size_t end = all.find('\n', at);
        at = end == std::string::npos ? all.size() : end + 1;
    }
    return all.substr(at);
}

}  // namespace phxtest
