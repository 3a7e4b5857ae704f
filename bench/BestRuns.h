// The best (shortest) seconds per iteration of each named benchmark in this
// run, kept for the summary a benchmark program prints after all runs.
#pragma once

#include <map>
#include <string>

inline std::map<std::string, double>& Best() {
    static std::map<std::string, double> best;
    return best;
}

inline void Record(const std::string& name, double seconds) {
    auto [it, added] = Best().emplace(name, seconds);
    if (!added && seconds < it->second) it->second = seconds;
}
