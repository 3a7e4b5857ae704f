// Sound velocity profile processing: a cast (text lines holding depth or
// pressure and sound velocity) becomes, in three steps, the extracted
// samples, the per-metre averages and the SV column.
//
// List lines (all numbers with '.' as decimal separator, halves rounded away
// from zero, whatever the C locale):
//  - extracted: depth (0 decimals) "," SV (3 decimals), e.g. "12,1500.123";
//  - averaged: MaxDepth + 1 lines, line k for depth k m: empty, or
//    "k,SV,hits" (one sample: the extracted line + ",1"; more: the running
//    average with 2 decimals; below the deepest sample: the deepest metre's
//    SV with 2 decimals and ",0");
//  - SV column: MaxDepth + 1 lines, line k the mean SV of depths 0 .. k with
//    2 decimals, a metre without samples counting with the value above it.
// Depths are whole metres, sound velocities m/s. Every scan goes through the
// restricted scanner; no user text reaches the C library as a format.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The sound velocities step 1 accepts (bounds included).
inline constexpr double kSvpMinSampleSv = 1350;
inline constexpr double kSvpMaxSampleSv = 1600;
// The largest maximum depth, metres.
inline constexpr int kSvpMaxDepthLimit = 12000;

// The default scan format: a time stamp word, then "SV,depth".
inline constexpr const char* kSvpDefaultSearchString = "%*23s %lf,%lf";

struct TSvpExtraction {
    std::vector<std::string> extracted;
    // Why the scan format cannot be used (nothing was extracted); empty when
    // it can.
    std::string formatError;
    bool cancelled = false;  // the surveyor stopped at a range warning
};

// Step 1. Each source line scanned with `format` must give exactly two
// numbers (SV then depth with `svFirst`, else depth then SV); other lines are
// skipped. An SV outside 1350 .. 1600 asks `rangeWarning(sv, lineNumber)`
// (line numbers from 1): true skips the line and goes on, false stops with
// the lines taken so far. The format must store exactly two %lf numbers.
TSvpExtraction ExtractSamples(const std::vector<std::string>& source, std::string_view format,
                              bool svFirst,
                              const std::function<bool(double sv, int lineNumber)>& rangeWarning);

// The maximum depth typed by the surveyor: a whole number (else the class
// library's EConvertError is thrown); std::nullopt when outside 0 .. 12000.
std::optional<int> ReadMaxDepth(std::string_view text);

// Step 2. Averages the extracted lines per whole metre into maxDepth + 1
// lines. Lines that do not read as "depth,SV", negative depths and depths
// beyond maxDepth are not stored; depths beyond maxDepth still count for the
// deepest sample, below which the lines are filled.
std::vector<std::string> AverageByMetre(const std::vector<std::string>& extracted, int maxDepth);

struct TSvpColumnBuild {
    enum Status { Done, ZeroDepthBlank, OutOfRange };
    Status status = Done;
    int failedDepth = 0;              // the depth of an OutOfRange stop
    std::vector<std::string> column;  // maxDepth + 1 lines when Done
};

// Step 3. Each averaged line "depth,SV" goes to its own depth (outside
// 0 .. maxDepth ignored; of a repeated depth the later line wins). Stops
// with ZeroDepthBlank when depth 0 has no value, with OutOfRange at the
// first depth whose value or running mean (also as written, 2 decimals) is
// at or beyond 1300 or 1700.
TSvpColumnBuild BuildSvColumn(const std::vector<std::string>& averaged, int maxDepth);

struct TSvpDetectedFormat {
    int headerLine = 0;  // from 1
    char delimiter = ',';
    int svColumn = 0;     // from 0
    int depthColumn = 0;  // from 0
    std::string format;
    bool svFirst = true;
};

// Finds the first header line naming "SV" or "VELOCITY" and "PRESSURE" or
// "DEPTH" (ASCII upper-casing, whatever the locale) and builds the scan
// format for its two columns. std::nullopt when there is no such line or it
// does not name two distinct columns.
std::optional<TSvpDetectedFormat> DetectScanFormat(const std::vector<std::string>& source);
