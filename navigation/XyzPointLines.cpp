#include "navigation/XyzPointLines.h"

#include <QString>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"
#include "platform/ScanFormat.h"
#include "platform/VclText.h"

std::optional<XyzLinePoint> ReadXyzLine(std::string_view line, bool hadLineEnd) {
    if (line.size() + (hadLineEnd ? 1 : 0) < 3) return std::nullopt;
    const char first = line.front();
    if (!platform::IsAsciiDigit(first) && first != '+' && first != '-') return std::nullopt;

    std::string blanked(line);
    for (char& c : blanked)
        if (c == '\t' || c == ',') c = ' ';
    static const platform::ScanFormat format =
        platform::ScanFormat::Compile("%lf %lf %lf %lf", {platform::ScanKind::Double});
    std::vector<platform::ScanField> fields;
    const int n = format.Scan(blanked, fields);
    if (n < 3) return std::nullopt;
    const size_t from = n == 3 ? 0 : 1;
    XyzLinePoint p{fields[from].number, fields[from + 1].number, fields[from + 2].number};
    if (p.x == 0 && p.y == 0) return std::nullopt;
    return p;
}

int AddXyzPoints(TCanvasModel& model, std::string_view text, int layerId) {
    int count = 0;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const bool hadLineEnd = end != std::string_view::npos;
        std::string_view line = text.substr(at, hadLineEnd ? end - at : std::string_view::npos);
        at = hadLineEnd ? end + 1 : text.size();
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto p = ReadXyzLine(line, hadLineEnd);
        if (!p) continue;
        const int point = model.AddPoint(p->x, p->y, layerId);
        if (point > 0) {
            model.SetPointSize(point, 1);
            model.SetShapeWidth(point, 1);
        }
        const std::string depth = platform::FloatToStrF(p->z, platform::FloatFormat::Fixed, 15, 2);
        const int label = model.AddText(layerId, QString::fromStdString(depth), p->x, p->y, 0);
        if (label > 0) {
            model.SetTextHAlign(label, 1);
            model.SetTextVAlign(label, 1);
        }
        ++count;
    }
    return count;
}
