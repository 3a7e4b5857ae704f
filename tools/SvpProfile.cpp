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
    const double rounded = std::trunc(rawDepth + 0.5);
    const double last = static_cast<double>(values_.size() - 1);
    size_t index = 0;
    if (rounded > last) {
        index = values_.size() - 1;
        result.beyondColumn = true;
    } else if (rounded > 0) {
        index = static_cast<size_t>(rounded);
    }
    result.soundVelocity = values_[index];
    return result;
}
