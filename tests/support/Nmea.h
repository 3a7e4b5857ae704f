// An NMEA sentence as a receiver sends it: the body, "*", its checksum (the
// XOR of the characters after '$') in two hex digits, and CR LF.
#pragma once

#include <cstdio>
#include <string>

namespace phxtest {

inline std::string Nmea(const std::string& body) {
    unsigned char sum = 0;
    for (char c : body.substr(1)) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return body + tail;
}

}  // namespace phxtest
