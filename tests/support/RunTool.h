// Runs an oracle tool (ogrinfo, ezdxf, cs2cs ...) through the shell and gives
// its standard output; empty when it cannot start or exits with an error, so
// a test can skip when the tool is missing. Test code only.
#pragma once

#include <cstdio>
#include <string>

namespace phxtest {

inline std::string RunTool(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) out.clear();
    return out;
}

}  // namespace phxtest
