// The echo-sounder message types the program understands and the scan format
// of each: the one table that decides how a sounder line is read. A format
// is compiled by the restricted scanner (platform/ScanFormat.h) and may store
// at most two numbers, each a %lf (depth, then battery voltage or the
// low-frequency depth); any directive with '*' only skips.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ScanFormat.h"

enum class SBESLayout {
    OneDepth,  // the realtime window hides its low-frequency depth
    TwoDepth,  // the realtime window shows it
    Unchanged  // "OTHER": the realtime window stays as it is
};

struct SBESMessageType {
    std::string_view name;    // as listed in the message type box
    std::string_view format;  // put into the format edit; empty for "OTHER"
    SBESLayout layout;
};

// In the order the type box lists them.
inline constexpr std::array<SBESMessageType, 8> kSBESMessageTypes = {{
    {"Plovan SMT", "%*8s,%lf,%lf", SBESLayout::OneDepth},
    {"NMEA DPT", "%*6s,%lf", SBESLayout::OneDepth},
    {"NMEA DBT", "%*6s,%*lf,%*1s,%lf", SBESLayout::OneDepth},
    {"Plovan XDR HI", "%*8s,%lf", SBESLayout::OneDepth},
    {"Plovan XDR LO", "%*8s,%*lf,%*8s,%lf", SBESLayout::TwoDepth},
    {"Plovan XDR H/L", "%*8s,%lf,%*8s,%lf", SBESLayout::TwoDepth},
    {"ODC HI", "%*42s,%lf", SBESLayout::OneDepth},
    {"OTHER", "", SBESLayout::Unchanged},
}};

// The format offered for "OTHER": a 10-character token, then one number.
inline constexpr std::string_view kOtherStartFormat = "%*10s,%lf";

// Stored defaults of the type box and the format edit.
inline constexpr std::string_view kDefaultSBESMessage = "Plovan SMT";
inline constexpr std::string_view kDefaultSBESFormat = "%*8s,%lf";

// The listed type whose name equals `text` exactly (case-sensitive); nullptr
// for any other text.
const SBESMessageType* FindSBESMessageType(std::string_view text);

// What the format edit holds after the type `text` was chosen while it held
// `currentFormat`: a listed type's format; for "OTHER" the start format when
// the edit is empty or holds a listed format, else the surveyor's own format;
// for an unlisted text the current format unchanged.
std::string FormatAfterTypeChoice(std::string_view text, std::string_view currentFormat);

// The most numbers an echo-sounder format may store.
inline constexpr int kMaxSBESStoredValues = 2;

// A compiled echo-sounder format: only %lf may store, at most two of them.
// An invalid one says why in Error() and scans nothing (Scan gives -1).
class SBESFormat {
  public:
    SBESFormat() : SBESFormat(std::string_view()) {}
    explicit SBESFormat(std::string_view format);

    const std::string& Text() const { return text_; }
    bool Valid() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    // The number of values a matching line stores (0 to 2).
    int StoredCount() const { return Valid() ? static_cast<int>(scan_.Stored().size()) : 0; }
    // sscanf's count for `line`; -1 for an invalid format.
    int Scan(std::string_view line, std::vector<platform::ScanField>& fields) const;

  private:
    std::string text_;
    platform::ScanFormat scan_;
    std::string error_;
};
