#include "navigation/XyzPointLines.h"

#include <QString>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/XyzImport.h"
#include "platform/ScanFormat.h"
#include "platform/VclText.h"

namespace {

// A field that starts as a number does ([+-] then a digit, or "." and a
// digit): when the scanner does not read it, it is beyond the double range.
bool LooksLikeNumber(std::string_view field) {
    size_t at = 0;
    if (at < field.size() && (field[at] == '+' || field[at] == '-')) ++at;
    if (at < field.size() && field[at] == '.') ++at;
    return at < field.size() && platform::IsAsciiDigit(field[at]);
}

}  // namespace

XyzLine ReadXyzLine(std::string_view line, bool hadLineEnd) {
    if (line.size() + (hadLineEnd ? 1 : 0) < 3) return {};
    const char first = line.front();
    if (!platform::IsAsciiDigit(first) && first != '+' && first != '-') return {};
    const XyzLine skipped{std::nullopt, true};
    if (XyzDecimalCommas(line)) return skipped;

    std::string blanked(line);
    for (char& c : blanked)
        if (c == '\t' || c == ',') c = ' ';
    // One field: its number, and a second conversion when text follows it.
    static const platform::ScanFormat format = platform::ScanFormat::Compile(
        "%lf%c", {platform::ScanKind::Double, platform::ScanKind::Char});
    std::vector<platform::ScanField> fields;
    double numbers[4];
    int n = 0;
    for (size_t at = 0; at < blanked.size();) {
        const size_t begin = blanked.find_first_not_of(' ', at);
        if (begin == std::string::npos) break;
        size_t end = blanked.find(' ', begin);
        if (end == std::string::npos) end = blanked.size();
        at = end;
        const std::string_view field = std::string_view(blanked).substr(begin, end - begin);
        const int read = format.Scan(field, fields);
        if (read < 1) {
            if (LooksLikeNumber(field)) return skipped;
            break;
        }
        if (n == 4) return skipped;
        numbers[n++] = fields[0].number;
        if (read > 1) break;
    }
    if (n < 3) return skipped;
    const int from = n == 3 ? 0 : 1;
    const XyzLinePoint p{numbers[from], numbers[from + 1], numbers[from + 2]};
    if (p.x == 0 && p.y == 0) return {};
    return {p, false};
}

XyzLinePoints ReadXyzLines(std::string_view text) {
    XyzLinePoints out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const bool hadLineEnd = end != std::string_view::npos;
        std::string_view line = text.substr(at, hadLineEnd ? end - at : std::string_view::npos);
        at = hadLineEnd ? end + 1 : text.size();
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const XyzLine read = ReadXyzLine(line, hadLineEnd);
        if (read.point) out.points.push_back(*read.point);
        if (read.skipped) ++out.skipped;
    }
    return out;
}

int AddXyzPoints(TCanvasModel& model, const std::vector<XyzLinePoint>& points, int layerId) {
    for (const XyzLinePoint& p : points) {
        const int point = model.AddPoint(p.x, p.y, layerId);
        if (point > 0) {
            model.SetPointSize(point, 1);
            model.SetShapeWidth(point, 1);
        }
        const std::string depth = platform::FloatToStrF(p.z, platform::FloatFormat::Fixed, 15, 2);
        const int label = model.AddText(layerId, QString::fromStdString(depth), p.x, p.y, 0);
        if (label > 0) {
            model.SetTextHAlign(label, 1);
            model.SetTextVAlign(label, 1);
        }
    }
    return static_cast<int>(points.size());
}
