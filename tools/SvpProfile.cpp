#include "tools/SvpProfile.h"

#include <cmath>

#include "platform/VclText.h"

TSvpProfile g_SvpProfile;

std::vector<double> TSvpProfile::ValidColumn(const std::vector<std::string>& lines) {
    std::vector<double> values;
    values.reserve(lines.size());
    for (const std::string& line : lines) {
        const auto value = platform::ParseFloat(line);
        if (!value || !std::isfinite(*value) || *value <= 1300 || *value >= 1700) return {};
        values.push_back(*value);
    }
    return values;
}

bool TSvpProfile::SetColumn(const std::vector<std::string>& lines) {
    std::vector<double> values = ValidColumn(lines);
    if (values.empty()) return false;
    lines_ = lines;
    values_ = std::move(values);
    return true;
}

bool TSvpProfile::SetInUse(bool inUse) {
    inUse_ = inUse && HasColumn();
    return inUse_ == inUse;
}

TSvpLookup TSvpProfile::Lookup(double rawDepth) const {
    TSvpLookup result;
    if (!InUse()) return result;
    result.inUse = true;
    const SvpLine line = SvpLineFor(rawDepth, values_.size());
    result.beyondColumn = line.beyond;
    result.soundVelocity = values_[line.index];
    return result;
}

SvpLine SvpLineFor(double rawDepth, size_t lineCount) {
    // Compared as doubles: a depth like 1e25 never meets an integer cast.
    const double rounded = std::trunc(rawDepth + 0.5);
    const double last = static_cast<double>(lineCount - 1);
    if (rounded > last) return {lineCount - 1, true};
    if (rounded > 0) return {static_cast<size_t>(rounded), false};
    return {};
}
