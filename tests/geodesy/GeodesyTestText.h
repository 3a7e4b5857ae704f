// Small text helpers shared by the geodesy tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geodesy/ParameterText.h"

namespace geodesy::test_text {

// The numbers of a result text; a test failure unless it holds exactly `count`.
inline std::vector<double> Numbers(const std::string& text, size_t count) {
    std::vector<double> v(count);
    EXPECT_TRUE(ReadExactly(text, v)) << "'" << text << "'";
    return v;
}

// The fields of a text between separators, empty ones included.
inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        out.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return out;
        start = at + 1;
    }
}

}  // namespace geodesy::test_text
