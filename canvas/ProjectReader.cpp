// The reader of the project text. The text is read in windows of a few
// megabytes; the lines of a window are first taken apart into their numbers
// and names (a pure step, shared among a few threads), then its records are
// applied to the canvas one by one in file order. A line's meaning depends on
// what comes before it (a POLYLINE record makes the next lines vertex lines),
// so the first step keeps both readings a line can have and the second picks
// one.
#include <QString>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "canvas/ProjectText.h"

namespace vlm {
namespace {

enum class Kind : uint8_t {
    Skip,  // comment, empty line, unknown keyword, or a record without its required fields
    World,
    Layer,
    Line,
    Circle,
    Point,
    Text,
    Rectangle,
    Ellipse,
    Polyline,  // the POLYLINE family: `closed` and `typeCode` say which
    Arc,
};

// One line taken apart. A line read as a vertex line (after a POLYLINE
// record) gives a vertex when `vertex` is set, whatever its record reading.
struct ParsedLine {
    Kind kind = Kind::Skip;
    bool vertex = false;
    uint8_t closed = 0;
    uint8_t typeCode = 0;
    int32_t layer = 0;
    int32_t color = 0;  // optional fields already at their defaults when missing
    int32_t width = 1;
    // TEXT: font index, bold, italic; RECTANGLE: fill colour, fill style;
    // POLYLINE family: vertex count.
    int32_t extra[3] = {0, 0, 0};
    double real[6] = {0, 0, 0, 0, 0, 0};
    std::string_view name;  // LAYER name, TEXT font name
    std::string_view text;  // TEXT text
};

// Colour, then pen width: trailing optional fields, each read only while the
// fields before it were read.
void ReadPen(RecordFields& f, ParsedLine& p) {
    if (!f.Int(p.color)) {
        p.color = 0;
        p.width = 1;
    } else if (!f.Int(p.width)) {
        p.width = 1;
    }
}

bool ReadReals(RecordFields& f, ParsedLine& p, int count) {
    for (int i = 0; i < count; ++i)
        if (!f.Real(p.real[i])) return false;
    return true;
}

// The record reading of a line whose keyword is known; false when a required
// field is missing.
bool ParseRecord(std::string_view keyword, RecordFields& f, ParsedLine& p) {
    // Records of reals, the layer id, then colour and pen width.
    static constexpr struct {
        std::string_view keyword;
        Kind kind;
        int reals;
    } kPlain[] = {{"LINE", Kind::Line, 4},
                  {"CIRCLE", Kind::Circle, 3},
                  {"ELLIPSE", Kind::Ellipse, 4},
                  {"ARC", Kind::Arc, 6}};
    for (const auto& plain : kPlain) {
        if (keyword != plain.keyword) continue;
        p.kind = plain.kind;
        if (!(ReadReals(f, p, plain.reals) && f.Int(p.layer))) return false;
        ReadPen(f, p);
        return true;
    }
    if (keyword == "POINT") {
        p.kind = Kind::Point;
        if (!(ReadReals(f, p, 2) && f.Int(p.layer))) return false;
        ReadPen(f, p);
        if (!f.Real(p.real[2])) p.real[2] = 0;
    } else if (keyword == "POLYLINE" || keyword == "POLYGON" || keyword == "SPLINE" ||
               keyword == "ARC3P") {
        p.kind = Kind::Polyline;
        p.closed = keyword == "POLYGON";
        p.typeCode = keyword == "SPLINE"  ? ShapeType::Spline
                     : keyword == "ARC3P" ? ShapeType::Arc
                                          : static_cast<uint8_t>(ShapeType::Polyline + p.closed);
        if (!(f.Int(p.layer) && f.Int(p.extra[0])) || p.extra[0] < 0) return false;
        ReadPen(f, p);
    } else if (keyword == "TEXT") {
        p.kind = Kind::Text;
        if (!(ReadReals(f, p, 2) && f.Int(p.layer) && f.Int(p.extra[0]))) return false;
        // The first field that fails leaves it and every later one at its
        // default.
        int32_t color = 0, bold = 0, italic = 0;
        double size = 10.0, angle = 0.0;
        std::string_view font;
        if (f.Int(color) && f.Real(size) && f.Real(angle) && f.Int(bold) && f.Int(italic) &&
            f.Word(font)) {
            p.text = f.Rest();
            if (!p.text.empty() && p.text.front() == ' ') p.text.remove_prefix(1);
            // The CR of a CR LF line end is not part of the surveyor's text.
            if (!p.text.empty() && p.text.back() == '\r') p.text.remove_suffix(1);
        }
        p.color = color;
        p.real[2] = size;
        p.real[3] = angle;
        p.extra[1] = bold;
        p.extra[2] = italic;
        p.name = font;
    } else if (keyword == "WORLD") {
        p.kind = Kind::World;
        if (!ReadReals(f, p, 4)) return false;
    } else if (keyword == "LAYER") {
        p.kind = Kind::Layer;
        if (!f.Int(p.layer)) return false;
        // The name is the rest of the line: layer names hold blanks.
        p.name = f.TrimmedRest();
    } else if (keyword == "RECTANGLE") {
        p.kind = Kind::Rectangle;
        if (!(ReadReals(f, p, 4) && f.Int(p.layer))) return false;
        int32_t color = 0, width = 1, fillColor = 0, fillStyle = 0;
        double value = 0;
        if (f.Int(color) && f.Int(width) && f.Int(fillColor) && f.Int(fillStyle)) f.Real(value);
        p.color = color;
        p.width = width;
        p.extra[0] = fillColor;
        p.extra[1] = fillStyle;
        p.real[4] = value;
    } else {
        return false;  // unknown keyword: the line is ignored
    }
    return true;
}

ParsedLine ParseLine(std::string_view line) {
    ParsedLine p;
    if (line.empty() || line.front() == '#') return p;
    // Read as a vertex line: x and y, each storable as a 32-bit float. Only
    // a line that starts like a number can be one.
    size_t first = 0;
    while (first < line.size() && IsFieldSpace(line[first])) ++first;
    const char c = first < line.size() ? line[first] : ' ';
    if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
        RecordFields v(line);
        double x, y;
        if (v.Real(x) && v.Real(y) && std::fabs(x) <= FLT_MAX && std::fabs(y) <= FLT_MAX) {
            p.vertex = true;
            p.real[0] = x;
            p.real[1] = y;
            return p;  // a number is no keyword: as a record it is ignored
        }
    }
    RecordFields f(line);
    std::string_view keyword;
    f.Word(keyword);
    if (!ParseRecord(keyword, f, p)) p.kind = Kind::Skip;
    return p;
}

// A window of the text: this many bytes for each thread at most.
constexpr size_t kPartBytes = size_t{2} << 20;

// Splits `window` at line ends into at most `count` parts and takes every
// line of every part apart, the parts on threads of their own. `parsed` is
// reused from window to window.
void ParseWindow(std::string_view window, size_t count,
                 std::vector<std::vector<ParsedLine>>& parsed) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 1; i <= count && start < window.size(); ++i) {
        size_t end = i == count ? window.size() : std::max(start, window.size() / count * i);
        if (end < window.size()) {
            const size_t lf = window.find('\n', end);
            end = lf == std::string_view::npos ? window.size() : lf + 1;
        }
        parts.push_back(window.substr(start, end - start));
        start = end;
    }
    if (parsed.size() < parts.size()) parsed.resize(parts.size());
    for (auto& lines : parsed) lines.clear();
    auto parse = [&](size_t i) {
        // Filled as a local vector: the vectors of neighbouring parts share
        // cache lines, and growing them side by side from several threads
        // would make the threads wait on each other.
        std::vector<ParsedLine> local = std::move(parsed[i]);
        LineCursor lines(parts[i]);
        std::string_view line;
        while (lines.Next(line)) local.push_back(ParseLine(line));
        parsed[i] = std::move(local);
    };
    std::vector<std::exception_ptr> errors(parts.size());
    std::vector<std::thread> workers;
    for (size_t i = 1; i < parts.size(); ++i)
        workers.emplace_back([&, i] {
            try {
                parse(i);
            } catch (...) {
                errors[i] = std::current_exception();
            }
        });
    try {
        if (!parts.empty()) parse(0);
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (auto& worker : workers) worker.join();
    for (auto& error : errors)
        if (error) std::rethrow_exception(error);
}

// The second step: the lines fed in file order, the records applied to the
// canvas.
class Applier {
  public:
    explicit Applier(TCanvasModel& model) : model_(model) {}

    void Feed(const ParsedLine& p) {
        if (!polyline_) {
            Apply(p);
        } else {
            // Exactly `count` lines after a POLYLINE record are its vertex
            // lines, comments and empty lines included; one that does not
            // read as a vertex adds none.
            if (p.vertex) polyline_->AddPoint(p.real[0], p.real[1]);
            if (--vertexLines_ == 0) Append(std::move(polyline_));
        }
    }

    // The text ended: a polyline still waiting for vertex lines is kept with
    // the vertices it has.
    void Finish() {
        if (polyline_) Append(std::move(polyline_));
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

    TPlovanShape& Last() { return *model_.FShapes.back(); }

    // Colour and width over the layer's pen, only when a colour was given.
    static void ApplyPen(TPlovanShape& shape, const ParsedLine& p) {
        if (p.color == 0) return;
        shape.FColor = p.color;
        shape.FWidth = p.width;
    }

    void Append(std::unique_ptr<TPlovanShape> shape) {
        shape->FId = 0;  // the next shape id, in file order
        model_.AppendShape(std::move(shape));
    }

    static QString Utf8(std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

    void Apply(const ParsedLine& p) {
        const double* r = p.real;
        switch (p.kind) {
            case Kind::Skip:
                break;
            case Kind::World:
                model_.SetView(r[0], r[3], r[1], r[2]);
                break;
            case Kind::Layer:
                layerMap_[p.layer] = model_.AddLayer(Utf8(p.name));
                cacheValid_ = false;
                break;
            case Kind::Line:
                model_.AddLine(r[0], r[1], r[2], r[3], LayerFor(p.layer));
                ApplyPen(Last(), p);
                break;
            case Kind::Circle:
                model_.AddCircle(r[0], r[1], r[2], LayerFor(p.layer));
                ApplyPen(Last(), p);
                break;
            case Kind::Point: {
                model_.AddPoint(r[0], r[1], LayerFor(p.layer));
                auto& point = static_cast<TPlovanPoint&>(Last());
                point.FColor = p.color;  // as read, also when 0
                point.FWidth = p.width;
                point.Z = r[2];
                break;
            }
            case Kind::Text: {
                model_.AddText(LayerFor(p.layer), Utf8(p.text), r[0], r[1], p.extra[0]);
                auto* text = dynamic_cast<TPlovanText*>(&Last());
                if (!text) break;
                if (p.color != 0) text->FColor = p.color;
                text->Height = r[2];
                text->Angle = r[3];
                text->Bold = p.extra[1] != 0;
                text->Italic = p.extra[2] != 0;
                if (!p.name.empty() && p.name != "0")
                    text->FontName = Utf8(p.name).replace('_', ' ');
                break;
            }
            case Kind::Rectangle: {
                auto shape = std::make_unique<TPlovanRectangle>(r[0], r[1], r[2], r[3],
                                                                LayerFor(p.layer), 0, r[4]);
                shape->FColor = p.color;
                shape->FWidth = p.width;
                shape->FFillColor = p.extra[0];
                shape->FFillStyle = static_cast<uint8_t>(p.extra[1]);
                Append(std::move(shape));
                break;
            }
            case Kind::Ellipse: {
                auto shape =
                    std::make_unique<TPlovanEllipse>(r[0], r[1], r[2], r[3], LayerFor(p.layer));
                ApplyPen(*shape, p);
                Append(std::move(shape));
                break;
            }
            case Kind::Arc: {
                auto shape = std::make_unique<TPlovanArc>(r[0], r[1], r[2], r[3], r[4], r[5],
                                                          LayerFor(p.layer));
                ApplyPen(*shape, p);
                Append(std::move(shape));
                break;
            }
            case Kind::Polyline: {
                // The count is never trusted for memory: the vertices are
                // added one by one as their lines come, and the text may end
                // first.
                auto shape = std::make_unique<TPlovanPolyline>(LayerFor(p.layer), p.closed);
                shape->FShapeType = p.typeCode;
                ApplyPen(*shape, p);
                if (p.extra[0] == 0) {
                    Append(std::move(shape));
                } else {
                    polyline_ = std::move(shape);
                    vertexLines_ = p.extra[0];
                }
                break;
            }
        }
    }

    TCanvasModel& model_;
    std::unique_ptr<TPlovanPolyline> polyline_;  // waiting for its vertex lines
    int32_t vertexLines_ = 0;
    std::map<int32_t, int> layerMap_;  // file layer id -> canvas layer id
    bool cacheValid_ = false;
    int32_t cachedFileId_ = 0;
    int cachedId_ = 0;
};

}  // namespace

void LoadProjectText(TCanvasModel& model, std::string_view text, int mode) {
    if (mode == 0) {
        model.RemoveAllShapesAndLayers();
        model.AddLayer(QStringLiteral("Default"));
    }
    // A small text is read on the calling thread alone.
    const size_t threads =
        text.size() < 2 * kPartBytes
            ? 1
            : std::min<size_t>(4, std::max(1u, std::thread::hardware_concurrency()));
    const size_t windowBytes = threads * kPartBytes;
    auto nextWindow = [&]() {
        size_t end = std::min(text.size(), windowBytes);
        if (end < text.size()) {
            const size_t lf = text.find('\n', end);
            end = lf == std::string_view::npos ? text.size() : lf + 1;
        }
        const std::string_view window = text.substr(0, end);
        text.remove_prefix(end);
        return window;
    };

    // While one window is applied on this thread (the only one that touches
    // the canvas), the next one is taken apart on others.
    Applier applier(model);
    std::vector<std::vector<ParsedLine>> current, next;
    ParseWindow(nextWindow(), threads, current);
    for (;;) {
        const std::string_view following = nextWindow();
        std::exception_ptr error;
        std::thread parser;
        if (!following.empty())
            parser = std::thread([&] {
                try {
                    ParseWindow(following, threads, next);
                } catch (...) {
                    error = std::current_exception();
                }
            });
        struct Join {
            std::thread& thread;
            ~Join() {
                if (thread.joinable()) thread.join();
            }
        } join{parser};
        for (const auto& part : current)
            for (const ParsedLine& line : part) applier.Feed(line);
        if (parser.joinable()) parser.join();
        if (error) std::rethrow_exception(error);
        if (following.empty()) break;
        std::swap(current, next);
    }
    applier.Finish();
}

}  // namespace vlm
