#include "canvas/ProjectFile.h"

#include <zlib.h>

#include <QFile>
#include <cfloat>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <new>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectText.h"
#include "platform/Clock.h"
#include "platform/TextFiles.h"

namespace vlm {
namespace {

// ---- Writing ----

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// "2024-05-01 09:07:05.42": the year as it is, the rest two digits each,
// hundredths of a second truncated.
void AppendCreatedOn(std::string& out, const platform::DateTime& t) {
    const int fields[] = {t.month, t.day, t.hour, t.minute, t.second, t.millisecond / 10};
    const char separators[] = {'-', '-', ' ', ':', ':', '.'};
    AppendInt(out, t.year);
    for (int i = 0; i < 6; ++i) {
        out.push_back(separators[i]);
        AppendTwoDigits(out, fields[i]);
    }
}

// Builds one record with a blank before every field; End closes its line.
class Record {
  public:
    Record(std::string& out, std::string_view keyword) : out_(out) { out_.append(keyword); }
    void End() { out_.push_back('\n'); }
    Record& Real(double v) {
        out_.push_back(' ');
        AppendReal(out_, v);
        return *this;
    }
    Record& Int(long long v) {
        out_.push_back(' ');
        AppendInt(out_, v);
        return *this;
    }
    // A name or text that must stay on this line.
    Record& Text(const QString& text) {
        out_.push_back(' ');
        AppendSanitized(out_, text.toStdString());
        return *this;
    }

  private:
    std::string& out_;
};

void AppendVertices(std::string& out, const TPlovanPolyline& polyline) {
    for (const TFloatPoint& p : polyline.Points) {
        AppendReal(out, static_cast<double>(p.X));
        out.push_back(' ');
        AppendReal(out, static_cast<double>(p.Y));
        out.push_back('\n');
    }
}

void AppendPolyline(std::string& out, std::string_view keyword, const TPlovanPolyline& p) {
    Record(out, keyword).Int(p.FLayerId).Int(p.Count()).Int(p.FColor).Int(p.FWidth).End();
    AppendVertices(out, p);
}

void AppendShape(std::string& out, const TPlovanShape& shape) {
    switch (shape.FShapeType) {
        case ShapeType::Line:
            if (auto* s = dynamic_cast<const TPlovanLine*>(&shape))
                Record(out, "LINE")
                    .Real(s->X1)
                    .Real(s->Y1)
                    .Real(s->X2)
                    .Real(s->Y2)
                    .Int(s->FLayerId)
                    .Int(s->FColor)
                    .Int(s->FWidth)
                    .End();
            break;
        case ShapeType::Circle:
            if (auto* s = dynamic_cast<const TPlovanCircle*>(&shape))
                Record(out, "CIRCLE")
                    .Real(s->X)
                    .Real(s->Y)
                    .Real(s->Radius)
                    .Int(s->FLayerId)
                    .Int(s->FColor)
                    .Int(s->FWidth)
                    .End();
            break;
        case ShapeType::Point:
            if (auto* s = dynamic_cast<const TPlovanPoint*>(&shape))
                Record(out, "POINT")
                    .Real(s->X)
                    .Real(s->Y)
                    .Int(s->FLayerId)
                    .Int(s->FColor)
                    .Int(s->FWidth)
                    .Real(s->Z)
                    .End();
            break;
        case ShapeType::Text:
            if (auto* s = dynamic_cast<const TPlovanText*>(&shape)) {
                Record r(out, "TEXT");
                r.Real(s->X)
                    .Real(s->Y)
                    .Int(s->FLayerId)
                    .Int(s->FontIndex)
                    .Int(s->FColor)
                    .Real(s->Height)
                    .Real(s->Angle)
                    .Int(s->Bold ? 1 : 0)
                    .Int(s->Italic ? 1 : 0);
                // The reader takes "0" as "keep the default font".
                if (s->FontName.isEmpty())
                    out.append(" 0");
                else
                    r.Text(s->FontName);
                r.Text(s->Text).End();
            }
            break;
        case ShapeType::Rectangle:
            if (auto* s = dynamic_cast<const TPlovanRectangle*>(&shape))
                Record(out, "RECTANGLE")
                    .Real(s->X1)
                    .Real(s->Y1)
                    .Real(s->X2)
                    .Real(s->Y2)
                    .Int(s->FLayerId)
                    .Int(s->FColor)
                    .Int(s->FWidth)
                    .Int(s->FFillColor)
                    .Int(s->FFillStyle)
                    .Real(s->Value)
                    .End();
            break;
        case 4:
        case ShapeType::Ellipse:
            if (auto* s = dynamic_cast<const TPlovanEllipse*>(&shape))
                Record(out, "ELLIPSE")
                    .Real(s->X1)
                    .Real(s->Y1)
                    .Real(s->X2)
                    .Real(s->Y2)
                    .Int(s->FLayerId)
                    .Int(s->FColor)
                    .Int(s->FWidth)
                    .End();
            break;
        case ShapeType::Polyline:
        case ShapeType::Polygon:
            if (auto* s = dynamic_cast<const TPlovanPolyline*>(&shape))
                AppendPolyline(out, s->Closed ? "POLYGON" : "POLYLINE", *s);
            break;
        case ShapeType::Spline:
            if (auto* s = dynamic_cast<const TPlovanPolyline*>(&shape))
                AppendPolyline(out, "SPLINE", *s);
            break;
        case ShapeType::Arc:
            if (auto* s = dynamic_cast<const TPlovanPolyline*>(&shape)) {
                AppendPolyline(out, "ARC3P", *s);
            } else if (auto* a = dynamic_cast<const TPlovanArc*>(&shape)) {
                // Written in the form the reader knows, so an arc survives a
                // save instead of vanishing from the drawing.
                Record(out, "ARC")
                    .Real(a->X1)
                    .Real(a->Y1)
                    .Real(a->X2)
                    .Real(a->Y2)
                    .Real(a->X3)
                    .Real(a->Y3)
                    .Int(a->FLayerId)
                    .Int(a->FColor)
                    .Int(a->FWidth)
                    .End();
            }
            break;
        default:
            break;  // no record for other type codes
    }
}

// ---- Reading ----

class Loader {
  public:
    Loader(TCanvasModel& model, std::string_view text) : model_(model), lines_(text) {}

    void Run() {
        std::string_view line;
        while (lines_.Next(line)) {
            if (line.empty() || line.front() == '#') continue;
            RecordFields f(line);
            std::string_view keyword;
            f.Word(keyword);
            if (keyword == "WORLD")
                World(f);
            else if (keyword == "LAYER")
                Layer(f);
            else if (keyword == "LINE")
                Line(f);
            else if (keyword == "CIRCLE")
                Circle(f);
            else if (keyword == "POINT")
                Point(f);
            else if (keyword == "TEXT")
                Text(f);
            else if (keyword == "RECTANGLE")
                Rectangle(f);
            else if (keyword == "ELLIPSE")
                Ellipse(f);
            else if (keyword == "POLYLINE")
                Polyline(f, 0, ShapeType::Polyline);
            else if (keyword == "POLYGON")
                Polyline(f, 1, ShapeType::Polygon);
            else if (keyword == "SPLINE")
                Polyline(f, 0, ShapeType::Spline);
            else if (keyword == "ARC3P")
                Polyline(f, 0, ShapeType::Arc);
            else if (keyword == "ARC")
                Arc(f);
            // any other keyword: the line is ignored
        }
    }

  private:
    // The canvas layer for a layer id of the file: through the map of the
    // LAYER records, else the id as read; an id that names no layer of the
    // canvas falls back to "Default" for every kind of record.
    int LayerFor(int fileId) {
        // Runs of records on one layer are the rule; layers are never
        // removed while loading, so a resolved id stays good until the next
        // LAYER record changes the map.
        if (cacheValid_ && fileId == cachedFileId_) return cachedId_;
        const auto it = layerMap_.find(fileId);
        int id = it != layerMap_.end() ? it->second : fileId;
        if (!model_.FindLayerById(id)) id = model_.AddLayer(QStringLiteral("Default"));
        cacheValid_ = true;
        cachedFileId_ = fileId;
        cachedId_ = id;
        return id;
    }

    // Trailing optional fields: colour, then pen width, each read only while
    // the fields before it were read.
    struct Pen {
        int32_t color = 0;
        int32_t width = 1;
    };
    static Pen ReadPen(RecordFields& f) {
        Pen pen;
        if (!f.Int(pen.color)) return Pen{};
        if (!f.Int(pen.width)) pen.width = 1;
        return pen;
    }

    TPlovanShape& Last() { return *model_.FShapes.back(); }

    // Colour and width over the layer's pen, only when a colour was given.
    void ApplyPen(TPlovanShape& shape, const Pen& pen) {
        if (pen.color == 0) return;
        shape.FColor = pen.color;
        shape.FWidth = pen.width;
    }

    void Append(std::unique_ptr<TPlovanShape> shape) {
        shape->FId = 0;  // the next shape id, in file order
        model_.AppendShape(std::move(shape));
    }

    void World(RecordFields& f) {
        double left, right, bottom, top;
        if (!(f.Real(left) && f.Real(right) && f.Real(bottom) && f.Real(top))) return;
        model_.FWorldLeft = left;
        model_.FWorldRight = right;
        model_.FWorldBottom = bottom;
        model_.FWorldTop = top;
    }

    void Layer(RecordFields& f) {
        int32_t fileId;
        if (!f.Int(fileId)) return;
        // The name is the rest of the line: layer names hold blanks.
        const std::string_view name = f.TrimmedRest();
        layerMap_[fileId] =
            model_.AddLayer(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        cacheValid_ = false;
    }

    void Line(RecordFields& f) {
        double x1, y1, x2, y2;
        int32_t layer;
        if (!(f.Real(x1) && f.Real(y1) && f.Real(x2) && f.Real(y2) && f.Int(layer))) return;
        const Pen pen = ReadPen(f);
        model_.AddLine(x1, y1, x2, y2, LayerFor(layer));
        ApplyPen(Last(), pen);
    }

    void Circle(RecordFields& f) {
        double x, y, r;
        int32_t layer;
        if (!(f.Real(x) && f.Real(y) && f.Real(r) && f.Int(layer))) return;
        const Pen pen = ReadPen(f);
        model_.AddCircle(x, y, r, LayerFor(layer));
        ApplyPen(Last(), pen);
    }

    void Point(RecordFields& f) {
        double x, y;
        int32_t layer;
        if (!(f.Real(x) && f.Real(y) && f.Int(layer))) return;
        const Pen pen = ReadPen(f);
        double z = 0;
        if (!f.Real(z)) z = 0;
        model_.AddPoint(x, y, LayerFor(layer));
        auto& point = static_cast<TPlovanPoint&>(Last());
        point.FColor = pen.color;  // as read, also when 0
        point.FWidth = pen.width;
        point.Z = z;
    }

    void Text(RecordFields& f) {
        double x, y;
        int32_t layer, fontIndex;
        if (!(f.Real(x) && f.Real(y) && f.Int(layer) && f.Int(fontIndex))) return;
        int32_t color = 0, bold = 0, italic = 0;
        double size = 10.0, angle = 0.0;
        std::string_view fontName, text;
        // The first field that fails leaves it and every later one at its
        // default.
        if (f.Int(color) && f.Real(size) && f.Real(angle) && f.Int(bold) && f.Int(italic) &&
            f.Word(fontName)) {
            text = f.Rest();
            if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        }
        model_.AddText(LayerFor(layer),
                       QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), x, y,
                       fontIndex);
        auto* shape = dynamic_cast<TPlovanText*>(&Last());
        if (!shape) return;
        if (color != 0) shape->FColor = color;
        shape->Height = size;
        shape->Angle = angle;
        shape->Bold = bold != 0;
        shape->Italic = italic != 0;
        if (!fontName.empty() && fontName != "0")
            shape->FontName =
                QString::fromUtf8(fontName.data(), static_cast<qsizetype>(fontName.size()));
    }

    void Rectangle(RecordFields& f) {
        double x1, y1, x2, y2;
        int32_t layer;
        if (!(f.Real(x1) && f.Real(y1) && f.Real(x2) && f.Real(y2) && f.Int(layer))) return;
        int32_t color = 0, width = 1, fillColor = 0, fillStyle = 0;
        double value = 0;
        // The first field that fails leaves it and every later one at its
        // default.
        if (f.Int(color) && f.Int(width) && f.Int(fillColor) && f.Int(fillStyle)) f.Real(value);
        auto shape = std::make_unique<TPlovanRectangle>(x1, y1, x2, y2, LayerFor(layer), 0, value);
        shape->FColor = color;
        shape->FWidth = width;
        shape->FFillColor = fillColor;
        shape->FFillStyle = static_cast<uint8_t>(fillStyle);
        Append(std::move(shape));
    }

    void Ellipse(RecordFields& f) {
        double x1, y1, x2, y2;
        int32_t layer;
        if (!(f.Real(x1) && f.Real(y1) && f.Real(x2) && f.Real(y2) && f.Int(layer))) return;
        const Pen pen = ReadPen(f);
        auto shape = std::make_unique<TPlovanEllipse>(x1, y1, x2, y2, LayerFor(layer));
        ApplyPen(*shape, pen);
        Append(std::move(shape));
    }

    void Arc(RecordFields& f) {
        double x1, y1, x2, y2, x3, y3;
        int32_t layer;
        if (!(f.Real(x1) && f.Real(y1) && f.Real(x2) && f.Real(y2) && f.Real(x3) && f.Real(y3) &&
              f.Int(layer)))
            return;
        const Pen pen = ReadPen(f);
        auto shape = std::make_unique<TPlovanArc>(x1, y1, x2, y2, x3, y3, LayerFor(layer));
        ApplyPen(*shape, pen);
        Append(std::move(shape));
    }

    void Polyline(RecordFields& f, uint8_t closed, int typeCode) {
        int32_t layer, count;
        if (!(f.Int(layer) && f.Int(count)) || count < 0) return;
        const Pen pen = ReadPen(f);
        auto shape = std::make_unique<TPlovanPolyline>(LayerFor(layer), closed);
        shape->FShapeType = typeCode;
        ApplyPen(*shape, pen);
        // Exactly `count` following lines are vertex lines, comments and
        // empty lines included; the count is never trusted for memory, and
        // the text may end first.
        std::string_view line;
        for (int32_t i = 0; i < count && lines_.Next(line); ++i) {
            RecordFields v(line);
            double x, y;
            if (v.Real(x) && v.Real(y) && std::fabs(x) <= FLT_MAX && std::fabs(y) <= FLT_MAX)
                shape->AddPoint(x, y);
        }
        Append(std::move(shape));
    }

    TCanvasModel& model_;
    LineCursor lines_;
    std::map<int32_t, int> layerMap_;  // file layer id -> canvas layer id
    bool cacheValid_ = false;
    int32_t cachedFileId_ = 0;
    int cachedId_ = 0;
};

}  // namespace

void WriteProjectText(const TCanvasModel& model, const std::function<void(std::string&)>& sink,
                      size_t pieceBytes) {
    std::string out;
    // The sink may take the piece; it then starts again empty.
    auto handOver = [&] {
        sink(out);
        out.clear();
        out.reserve(pieceBytes + 4096);
    };
    out.reserve(pieceBytes + 4096);
    out.append("# Plovan Helm - VLM\n# Written by Plovan HX\n# Created on: ");
    AppendCreatedOn(out, platform::Now());
    out.append("\n#\n");
    Record(out, "WORLD")
        .Real(model.FWorldLeft)
        .Real(model.FWorldRight)
        .Real(model.FWorldBottom)
        .Real(model.FWorldTop)
        .End();
    for (const auto& layer : model.FLayers) {
        Record(out, "LAYER").Int(layer->Id).Text(layer->Name).End();
        if (out.size() >= pieceBytes) handOver();
    }
    for (const TPlovanShape* shape : model.FShapes) {
        AppendShape(out, *shape);
        if (out.size() >= pieceBytes) handOver();
    }
    if (!out.empty()) sink(out);
}

std::string ProjectText(const TCanvasModel& model) {
    std::string text;
    text.reserve(256 + model.FLayers.size() * 32 + model.FShapes.size() * 72);
    WriteProjectText(model, [&](std::string& piece) {
        text.append(piece);
        piece.clear();
    });
    return text;
}

bool ProjectTextFromFile(std::string_view fileBytes, TextBuffer& buffer, std::string_view& text,
                         size_t maxBytes) {
    buffer.Clear();
    text = {};
    if (fileBytes.substr(0, kMagic.size()) != kMagic) {
        if (fileBytes.size() > maxBytes) return false;
        text = fileBytes;
        return true;
    }
    if (Inflate(fileBytes.substr(kMagic.size()), buffer, maxBytes) != InflateStatus::Ok)
        return false;
    text = buffer.View();
    return true;
}

void LoadProjectText(TCanvasModel& model, std::string_view text, int mode) {
    if (mode == 0) {
        model.RemoveAllShapesAndLayers();
        model.AddLayer(QStringLiteral("Default"));
    }
    Loader(model, text).Run();
}

}  // namespace vlm

bool TCanvasModel::SaveProject(const QString& fileName, int /*unused*/) {
    try {
        // The text is made in pieces and compressed on a worker thread while
        // the next piece is made; the whole text is never held at once.
        std::string bytes(vlm::kMagic);
        vlm::BackgroundDeflater deflater(Z_DEFAULT_COMPRESSION, bytes);
        vlm::WriteProjectText(*this, [&](std::string& piece) {
            deflater.Push(std::move(piece));
            piece = std::string();
        });
        if (!deflater.Finish()) return false;
        // A temporary file in the same folder renamed over the old one: a
        // failure or a power loss never leaves a half-written project.
        return platform::WriteFileAtomic(QFile::encodeName(fileName).toStdString(), bytes);
    } catch (const std::exception&) {
        return false;
    }
}

bool TCanvasModel::LoadProject(const QString& fileName, int /*unused1*/, int /*unused2*/,
                               int mode) {
    try {
        std::string bytes;
        if (!platform::ReadFile(QFile::encodeName(fileName).toStdString(), bytes)) return false;
        // The stream is checked whole before anything changes: a damaged or
        // cut file leaves the drawing as it was.
        vlm::TextBuffer inflated;
        std::string_view text;
        if (!vlm::ProjectTextFromFile(bytes, inflated, text)) return false;
        vlm::LoadProjectText(*this, text, mode);
    } catch (const std::exception&) {
        return false;
    }
    Redraw();
    return true;
}
