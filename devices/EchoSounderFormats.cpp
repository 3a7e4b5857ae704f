#include "devices/EchoSounderFormats.h"

#include <algorithm>

const SBESMessageType* FindSBESMessageType(std::string_view text) {
    const auto found = std::find_if(kSBESMessageTypes.begin(), kSBESMessageTypes.end(),
                                    [text](const SBESMessageType& t) { return t.name == text; });
    return found == kSBESMessageTypes.end() ? nullptr : &*found;
}

std::string FormatAfterTypeChoice(std::string_view text, std::string_view currentFormat) {
    const SBESMessageType* type = FindSBESMessageType(text);
    if (!type) return std::string(currentFormat);
    if (type->layout != SBESLayout::Unchanged) return std::string(type->format);
    const bool listed = std::any_of(kSBESMessageTypes.begin(), kSBESMessageTypes.end(),
                                    [currentFormat](const SBESMessageType& t) {
                                        return !t.format.empty() && t.format == currentFormat;
                                    });
    if (currentFormat.empty() || listed) return std::string(kOtherStartFormat);
    return std::string(currentFormat);
}

SBESFormat::SBESFormat(std::string_view format)
    : text_(format), scan_(platform::ScanFormat::Compile(format, {platform::ScanKind::Double})) {
    if (!scan_.Valid())
        error_ = scan_.Error().empty() ? "The format is not valid." : scan_.Error();
    else if (scan_.Stored().size() > static_cast<size_t>(kMaxSBESStoredValues))
        error_ = "The format stores " + std::to_string(scan_.Stored().size()) +
                 " numbers; an echo-sounder line holds at most " +
                 std::to_string(kMaxSBESStoredValues) + ".";
}

int SBESFormat::Scan(std::string_view line, std::vector<platform::ScanField>& fields) const {
    fields.clear();
    if (!Valid()) return -1;
    return scan_.Scan(line, fields);
}
