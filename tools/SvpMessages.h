// The sound velocity window's messages. Bilingual texts are English when
// `english` (the current language code is "en") and Turkish otherwise;
// the others are English in every language. UTF-8.
#pragma once

#include <string>

#include "tools/SvpProcessing.h"

namespace svpmsg {

// True when the translation manager's current language is "en" (also
// before the manager exists).
bool English();

std::string SampleOutOfRange(bool english, double sv, int lineNumber);
std::string ZeroDepthBlank(bool english);
std::string ColumnOutOfRange(bool english, int depth);
std::string ColumnEmpty(bool english);
std::string ProfileUsedCaption(bool english);
std::string SingleSvCaption(bool english);
std::string AutoDetected(bool english, const TSvpDetectedFormat& found);

std::string FormatRefused(const std::string& why);
inline const char* const kMaxDepthRange = "Max Depth must be between 0 and 12000.";
inline const char* const kNoData = "No data loaded. Please load a file first.";
inline const char* const kNoHeader =
    "Could not find header line with SV and Pressure/Depth columns.\nPlease set search string "
    "manually.";
inline const char* const kNoGraphData = "No data to graph. Please process SVP data first.";
inline const char* const kDataUpdated = "Data updated. Please regenerate SVP Column.";

}  // namespace svpmsg
