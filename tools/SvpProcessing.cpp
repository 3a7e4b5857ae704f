#include "tools/SvpProcessing.h"

#include <cmath>

#include "platform/ScanFormat.h"
#include "platform/VclText.h"

namespace {

using platform::FloatFormat;
using platform::ScanField;
using platform::ScanFormat;
using platform::ScanKind;

std::string Fixed(double value, int decimals) {
    return platform::FloatToStrF(value, FloatFormat::Fixed, 15, decimals);
}

// The three fixed scans of the lists, compiled once.
const ScanFormat& DepthSvScan() {
    static const ScanFormat scan = ScanFormat::Compile("%d,%lf", {ScanKind::Int, ScanKind::Double});
    return scan;
}
const ScanFormat& DepthSvHitsScan() {
    static const ScanFormat scan =
        ScanFormat::Compile("%d,%lf,%d", {ScanKind::Int, ScanKind::Double});
    return scan;
}
const ScanFormat& SvOfLineScan() {
    static const ScanFormat scan = ScanFormat::Compile("%*d,%lf", {ScanKind::Double});
    return scan;
}

bool ReadDepthSv(const std::string& line, int& depth, double& sv) {
    std::vector<ScanField> fields;
    if (DepthSvScan().Scan(line, fields) < 2) return false;
    depth = fields[0].integer;
    sv = fields[1].number;
    return true;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

bool NamesSv(const std::string& upper) {
    return upper.find("SV") != std::string::npos || upper.find("VELOCITY") != std::string::npos;
}
bool NamesDepth(const std::string& upper) {
    return upper.find("PRESSURE") != std::string::npos || upper.find("DEPTH") != std::string::npos;
}

// Blanks and control characters off both ends.
std::string_view TrimControls(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

TSvpExtraction ExtractSamples(const std::vector<std::string>& source, std::string_view format,
                              bool svFirst,
                              const std::function<bool(double sv, int lineNumber)>& rangeWarning) {
    TSvpExtraction result;
    const ScanFormat scan = ScanFormat::Compile(format, {ScanKind::Double});
    if (!scan.Valid()) {
        result.formatError = scan.Error();
        return result;
    }
    if (scan.Stored().size() != 2) {
        result.formatError = "it must read exactly two numbers (%lf), it reads " +
                             std::to_string(scan.Stored().size());
        return result;
    }
    std::vector<ScanField> fields;
    for (size_t i = 0; i < source.size(); ++i) {
        if (scan.Scan(source[i], fields) != 2) continue;
        const double sv = svFirst ? fields[0].number : fields[1].number;
        const double depth = svFirst ? fields[1].number : fields[0].number;
        if (sv < kSvpMinSampleSv || sv > kSvpMaxSampleSv) {
            if (!rangeWarning(sv, static_cast<int>(i + 1))) {
                result.cancelled = true;
                return result;
            }
            continue;
        }
        result.extracted.push_back(Fixed(depth, 0) + "," + Fixed(sv, 3));
    }
    return result;
}

std::optional<int> ReadMaxDepth(std::string_view text) {
    const int maxDepth = platform::StrToInt(text);
    if (maxDepth < 0 || maxDepth > kSvpMaxDepthLimit) return std::nullopt;
    return maxDepth;
}

std::vector<std::string> AverageByMetre(const std::vector<std::string>& extracted, int maxDepth) {
    std::vector<std::string> averaged(static_cast<size_t>(maxDepth) + 1);
    int deepest = -1;
    std::vector<ScanField> fields;
    for (const std::string& line : extracted) {
        int depth = 0;
        double sv = 0;
        if (!ReadDepthSv(line, depth, sv) || depth < 0) continue;
        deepest = std::max(deepest, depth);
        if (depth > maxDepth) continue;
        std::string& stored = averaged[static_cast<size_t>(depth)];
        if (DepthSvHitsScan().Scan(stored, fields) == 3 && fields[0].integer == depth &&
            fields[2].integer >= 1) {
            const long long hits = fields[2].integer;
            const double average =
                (static_cast<double>(hits) * fields[1].number + sv) / static_cast<double>(hits + 1);
            stored =
                std::to_string(depth) + "," + Fixed(average, 2) + "," + std::to_string(hits + 1);
        } else {
            stored = line + ",1";
        }
    }
    if (deepest >= 0 && deepest < maxDepth &&
        SvOfLineScan().Scan(averaged[static_cast<size_t>(deepest)], fields) >= 1) {
        const std::string sv = Fixed(fields[0].number, 2);
        for (int k = deepest + 1; k <= maxDepth; ++k)
            averaged[static_cast<size_t>(k)] = std::to_string(k) + "," + sv + ",0";
    }
    return averaged;
}

TSvpColumnBuild BuildSvColumn(const std::vector<std::string>& averaged, int maxDepth) {
    TSvpColumnBuild result;
    std::vector<std::optional<double>> perMetre(static_cast<size_t>(maxDepth) + 1);
    for (const std::string& line : averaged) {
        int depth = 0;
        double sv = 0;
        if (ReadDepthSv(line, depth, sv) && depth >= 0 && depth <= maxDepth)
            perMetre[static_cast<size_t>(depth)] = sv;
    }
    std::vector<std::string> column;
    column.reserve(perMetre.size());
    double mean = 0;
    double lastSv = 0;
    for (int k = 0; k <= maxDepth; ++k) {
        const std::optional<double>& value = perMetre[static_cast<size_t>(k)];
        if (value) {
            lastSv = *value;
        } else if (k == 0) {
            result.status = TSvpColumnBuild::ZeroDepthBlank;
            return result;
        }
        mean = (k * mean + lastSv) / (k + 1);
        const std::string text = Fixed(mean, 2);
        const double written = platform::StrToFloatDef(text, mean);
        const auto outside = [](double v) { return !(v > 1300 && v < 1700); };
        if (outside(mean) || outside(lastSv) || outside(written)) {
            result.status = TSvpColumnBuild::OutOfRange;
            result.failedDepth = k;
            return result;
        }
        column.push_back(text);
    }
    result.column = std::move(column);
    return result;
}

std::optional<TSvpDetectedFormat> DetectScanFormat(const std::vector<std::string>& source) {
    for (size_t i = 0; i < source.size(); ++i) {
        const std::string upper = UpperAscii(source[i]);
        if (!NamesSv(upper) || !NamesDepth(upper)) continue;
        TSvpDetectedFormat found;
        found.headerLine = static_cast<int>(i + 1);
        for (const char candidate : {',', '\t', ';'}) {
            if (source[i].find(candidate) != std::string::npos) {
                found.delimiter = candidate;
                break;
            }
        }
        int svColumn = -1;
        int depthColumn = -1;
        std::string_view rest = source[i];
        for (int column = 0; !rest.empty(); ++column) {
            const size_t cut = rest.find(found.delimiter);
            const std::string piece =
                UpperAscii(TrimControls(rest.substr(0, std::min(cut, rest.size()))));
            if (NamesSv(piece)) svColumn = column;
            if (NamesDepth(piece)) depthColumn = column;
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        }
        if (svColumn < 0 || depthColumn < 0 || svColumn == depthColumn) return std::nullopt;
        found.svColumn = svColumn;
        found.depthColumn = depthColumn;
        found.svFirst = svColumn < depthColumn;
        const int lo = std::min(svColumn, depthColumn);
        const int hi = std::max(svColumn, depthColumn);
        const std::string skip = std::string("%*[^") + found.delimiter + "]" + found.delimiter;
        for (int k = 0; k < lo; ++k) found.format += skip;
        found.format += std::string("%lf") + found.delimiter;
        for (int k = 0; k < hi - lo - 1; ++k) found.format += skip;
        found.format += "%lf";
        return found;
    }
    return std::nullopt;
}
