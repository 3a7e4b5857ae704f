#include "canvas/DxfWriter.h"

#include <QSet>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "platform/TextCodec.h"
#include "platform/TextFiles.h"

namespace {

class PairWriter {
  public:
    explicit PairWriter(std::string& out) : FOut(out) {}
    void Pair(int code, std::string_view value) {
        char buffer[16];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, code);
        FOut.append(buffer, r.ptr);
        FOut += "\r\n";
        FOut += value;
        FOut += "\r\n";
    }
    void Real(int code, double value) {
        // A value that is no number has no DXF form; the origin keeps the
        // file readable.
        if (!std::isfinite(value)) value = 0;
        char buffer[400];
        const auto r =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
        Pair(code, std::string_view(buffer, r.ptr - buffer));
    }

  private:
    std::string& FOut;
};

bool RefusedInLayerName(char32_t c) {
    switch (c) {
        case '<':
        case '>':
        case '/':
        case '\\':
        case '"':
        case ':':
        case ';':
        case '?':
        case '*':
        case '|':
        case '=':
        case '`':
            return true;
        default:
            return false;
    }
}

void Vertex(PairWriter& w, const std::string& layer, double x, double y) {
    w.Pair(0, "VERTEX");
    w.Pair(8, layer);
    w.Real(10, x);
    w.Real(20, y);
    w.Pair(30, "0.0");
}

// The exported name of every listed layer that exists. CAD takes layer names
// without regard to case, so two layers whose names come out the same that
// way would merge: the first keeps the name, each later one gets the lowest
// suffix "_2", "_3" ... that no other layer's name holds.
std::unordered_map<int, std::string> DistinctLayerNames(const TCanvasModel& model,
                                                        const std::vector<int>& ids) {
    auto key = [](const std::string& name) {
        return QString::fromStdString(platform::Windows1254ToUtf8(name)).toLower();
    };
    std::unordered_map<int, std::string> names;
    QSet<QString> taken;
    for (int id : ids)
        if (const TCanvasLayer* layer = model.FindLayerById(id)) {
            names[id] = DxfExportName(layer->Name, true);
            taken.insert(key(names[id]));
        }
    QSet<QString> given;
    for (int id : ids) {
        const auto found = names.find(id);
        if (found == names.end()) continue;
        std::string& name = found->second;
        if (!given.contains(key(name))) {
            given.insert(key(name));
            continue;
        }
        std::string candidate;
        for (int suffix = 2;; ++suffix) {
            candidate = name + "_" + std::to_string(suffix);
            if (!taken.contains(key(candidate))) break;
        }
        name = candidate;
        taken.insert(key(name));
        given.insert(key(name));
    }
    return names;
}

}  // namespace

std::string DxfExportName(const QString& text, bool layerName) {
    const std::string utf8 = text.toStdString();
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t c;
        size_t length = platform::DecodeUtf8(utf8, at, c);
        if (length == 0) c = 0xFFFD, length = 1;
        at += length;
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) c = ' ';
        if (layerName && RefusedInLayerName(c)) c = '_';
        const int byte = platform::Windows1254Byte(c);
        if (byte >= 0) {
            out += static_cast<char>(byte);
        } else if (c <= 0xFFFF) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\U+%04X", static_cast<unsigned>(c));
            out += buffer;
        } else {
            out += '?';  // beyond the four digits of the escape
        }
    }
    return out;
}

std::string DxfExportText(const TCanvasModel& model) {
    std::string out;
    out.reserve(256 + model.FShapes.size() * 96);
    PairWriter w(out);
    w.Pair(0, "SECTION");
    w.Pair(2, "HEADER");
    w.Pair(9, "$ACADVER");
    w.Pair(1, "AC1009");
    w.Pair(9, "$DWGCODEPAGE");
    w.Pair(3, "ANSI_1254");
    w.Pair(9, "$INSBASE");
    w.Pair(10, "0.0");
    w.Pair(20, "0.0");
    w.Pair(30, "0.0");
    w.Pair(9, "$EXTMIN");
    w.Real(10, model.FWorldLeft);
    w.Real(20, model.FWorldBottom);
    w.Pair(30, "0.0");
    w.Pair(9, "$EXTMAX");
    w.Real(10, model.FWorldRight);
    w.Real(20, model.FWorldTop);
    w.Pair(30, "0.0");
    w.Pair(0, "ENDSEC");

    // Layer ids in the order of first use, hidden shapes included.
    std::vector<int> ids;
    std::unordered_set<int> seen;
    for (const TPlovanShape* s : model.FShapes)
        if (seen.insert(s->FLayerId).second) ids.push_back(s->FLayerId);
    const std::unordered_map<int, std::string> names = DistinctLayerNames(model, ids);
    w.Pair(0, "SECTION");
    w.Pair(2, "TABLES");
    w.Pair(0, "TABLE");
    w.Pair(2, "LAYER");
    w.Pair(70, std::to_string(ids.size()));
    for (int id : ids) {
        const auto name = names.find(id);
        if (name == names.end()) continue;
        w.Pair(0, "LAYER");
        w.Pair(2, name->second);
        w.Pair(70, "0");
        w.Pair(62, "7");
        w.Pair(6, "CONTINUOUS");
    }
    w.Pair(0, "ENDTAB");
    w.Pair(0, "ENDSEC");

    w.Pair(0, "SECTION");
    w.Pair(2, "ENTITIES");
    const std::string noLayer = "0";
    for (const TPlovanShape* s : model.FShapes) {
        if (!s->FVisible) continue;
        const auto found = names.find(s->FLayerId);
        const std::string& layer = found == names.end() ? noLayer : found->second;
        switch (s->FShapeType) {
            case ShapeType::Rectangle: {
                const auto& r = static_cast<const TPlovanRectangle&>(*s);
                w.Pair(0, "POLYLINE");
                w.Pair(8, layer);
                w.Pair(66, "1");
                w.Pair(70, "1");
                Vertex(w, layer, r.X1, r.Y1);
                Vertex(w, layer, r.X2, r.Y1);
                Vertex(w, layer, r.X2, r.Y2);
                Vertex(w, layer, r.X1, r.Y2);
                w.Pair(0, "SEQEND");
                w.Pair(8, layer);
                break;
            }
            case ShapeType::Line: {
                const auto& l = static_cast<const TPlovanLine&>(*s);
                w.Pair(0, "LINE");
                w.Pair(8, layer);
                w.Real(10, l.X1);
                w.Real(20, l.Y1);
                w.Pair(30, "0.0");
                w.Real(11, l.X2);
                w.Real(21, l.Y2);
                w.Pair(31, "0.0");
                break;
            }
            case ShapeType::Polyline:
            case ShapeType::Polygon: {
                const auto* p = dynamic_cast<const TPlovanPolyline*>(s);
                if (!p || p->Points.empty()) break;
                w.Pair(0, "POLYLINE");
                w.Pair(8, layer);
                w.Pair(66, "1");
                w.Pair(70, p->Closed ? "1" : "0");
                for (const TPointD& v : p->Points) Vertex(w, layer, v.X, v.Y);
                w.Pair(0, "SEQEND");
                w.Pair(8, layer);
                break;
            }
            case ShapeType::Text: {
                const auto& t = static_cast<const TPlovanText&>(*s);
                w.Pair(0, "TEXT");
                w.Pair(8, layer);
                w.Real(10, t.X);
                w.Real(20, t.Y);
                w.Pair(30, "0.0");
                w.Real(40, t.Height > 0 ? t.Height : 2.5);
                w.Pair(1, DxfExportName(t.Text, false));
                if (t.Angle != 0) w.Real(50, t.Angle);
                break;
            }
            case ShapeType::Point: {
                const auto& p = static_cast<const TPlovanPoint&>(*s);
                w.Pair(0, "POINT");
                w.Pair(8, layer);
                w.Real(10, p.X);
                w.Real(20, p.Y);
                w.Pair(30, "0.0");
                break;
            }
            case ShapeType::Circle: {
                const auto& c = static_cast<const TPlovanCircle&>(*s);
                w.Pair(0, "CIRCLE");
                w.Pair(8, layer);
                w.Real(10, c.X);
                w.Real(20, c.Y);
                w.Pair(30, "0.0");
                w.Real(40, c.Radius);
                break;
            }
            case ShapeType::Ellipse: {
                const auto& e = static_cast<const TPlovanEllipse&>(*s);
                w.Pair(0, "CIRCLE");
                w.Pair(8, layer);
                w.Real(10, (e.X1 + e.X2) / 2);
                w.Real(20, (e.Y1 + e.Y2) / 2);
                w.Pair(30, "0.0");
                w.Real(40, (std::fabs(e.Y2 - e.Y1) / 2 + std::fabs(e.X2 - e.X1) / 2) / 2);
                break;
            }
            default:
                break;
        }
    }
    w.Pair(0, "ENDSEC");
    w.Pair(0, "EOF");
    return out;
}

bool ExportDXF(const TCanvasModel& model, const QString& fileName) {
    try {
        return platform::WriteFileAtomic(fileName.toStdString(), DxfExportText(model));
    } catch (const std::exception&) {
        return false;
    }
}
