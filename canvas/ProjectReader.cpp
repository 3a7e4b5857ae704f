// The reader of the project text. The text is cut at line ends into parts of
// half a megabyte, and the parts are read a window of a few at a time in
// four steps: each part's lines are taken apart into records and vertices on
// a thread of its own (the records of a part read as if the part began with
// a record, which it nearly always does); then, on the calling thread and in
// file order, what one part leaves to the next is settled (the vertex lines
// of a polyline that runs on into it, the layer map, the view, the shape
// ids); then each part's shapes are built on a thread of its own from those
// answers; last, the calling thread, the only one that changes the canvas,
// hands the built shapes to it in file order. While a window is built and
// handed over, the next one is taken apart.
#include <QString>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "canvas/ProjectText.h"
#include "canvas/TaskPool.h"

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

// One record line taken apart, with where it stands in its part.
struct Record {
    Kind kind = Kind::Skip;
    uint8_t closed = 0;
    uint8_t typeCode = 0;
    int32_t layer = 0;
    int32_t color = 0;  // optional fields already at their defaults when missing
    int32_t width = 1;
    // TEXT: font index, bold, italic; RECTANGLE: fill colour, fill style;
    // POLYLINE family: vertex count.
    int32_t extra[3] = {0, 0, 0};
    double real[6] = {0, 0, 0, 0, 0, 0};
    std::string_view name;      // LAYER name, TEXT font name
    std::string_view text;      // TEXT text
    size_t at = 0;              // where its line starts in the part
    uint32_t shapesBefore = 0;  // shape records before it in the part
    // POLYLINE family: its vertices in the part's list, the end of its last
    // vertex line (the part's end when they go on after it), and how many
    // of its vertex lines lie beyond the part.
    uint32_t firstVertex = 0;
    uint32_t vertexCount = 0;
    size_t runEnd = 0;
    int64_t linesAfter = 0;
};

// Colour, then pen width: trailing optional fields, each read only while the
// fields before it were read.
void ReadPen(RecordFields& f, Record& p) {
    if (!f.Int(p.color)) {
        p.color = 0;
        p.width = 1;
    } else if (!f.Int(p.width)) {
        p.width = 1;
    }
}

bool ReadReals(RecordFields& f, Record& p, int count) {
    for (int i = 0; i < count; ++i)
        if (!f.Real(p.real[i])) return false;
    return true;
}

// The record reading of a line whose keyword is known; false when a required
// field is missing.
bool ParseRecord(std::string_view keyword, RecordFields& f, Record& p) {
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

bool StartsLikeNumber(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// The record reading of a line; false for comments, empty lines, lines that
// start like a number (a vertex line is no record) and lines that are no
// record or lack a required field.
bool ParseRecordLine(std::string_view line, Record& p) {
    if (line.empty() || line.front() == '#') return false;
    RecordFields f(line);
    std::string_view keyword;
    if (!f.Word(keyword) || StartsLikeNumber(keyword.front())) return false;
    return ParseRecord(keyword, f, p);
}

// The vertex reading of a line after a POLYLINE record: x and y, each within
// the range of a 32-bit float, so a file reads as it did when vertices were
// floats (a vertex beyond that range adds none). Only a line that starts
// like a number can be one.
bool ReadVertex(std::string_view line, TPointD& vertex) {
    if (line.empty() || line.front() == '#') return false;
    size_t first = 0;
    while (first < line.size() && IsFieldSpace(line[first])) ++first;
    if (first == line.size() || !StartsLikeNumber(line[first])) return false;
    RecordFields v(line);
    double x, y;
    if (!(v.Real(x) && v.Real(y) && std::fabs(x) <= FLT_MAX && std::fabs(y) <= FLT_MAX))
        return false;
    vertex = {x, y};
    return true;
}

bool IsShape(Kind kind) { return kind != Kind::Skip && kind != Kind::World && kind != Kind::Layer; }

// The line starting at `at` in `text`, and where the next one starts.
std::string_view LineAt(std::string_view text, size_t at, size_t& next) {
    const size_t lf = text.find('\n', at);
    const size_t end = lf == std::string_view::npos ? text.size() : lf;
    next = lf == std::string_view::npos ? text.size() : lf + 1;
    return text.substr(at, end - at);
}

// One part of the text taken apart (the first step). `events` lists the
// records the second step must see: LAYER and WORLD records, and each shape
// record whose file layer id differs from the shape record before it in the
// part (or that has none before it since the part's start or a LAYER
// record), where the layer must be looked up again.
// Each part's lists grow on a thread of their own: the part keeps to cache
// lines of its own, so neighbouring parts' threads never wait for each other.
struct alignas(64) PartRecords {
    std::string_view text;
    std::vector<Record> records;
    std::vector<TPointD> vertices;
    std::vector<uint32_t> events;
    uint32_t shapes = 0;
    uint32_t points = 0;  // POINT records
};

// Takes apart the lines of `part` from `from` (a line start) on, reading the
// line there as a record.
void ParsePart(PartRecords& part, size_t from) {
    part.records.clear();
    part.vertices.clear();
    part.events.clear();
    part.shapes = 0;
    part.points = 0;
    const std::string_view text = part.text;
    int64_t pending = 0;  // vertex lines still to come for the last record
    bool layerKnown = false;
    int32_t lastLayer = 0;
    for (size_t at = from, next = 0; at < text.size(); at = next) {
        const std::string_view line = LineAt(text, at, next);
        if (pending > 0) {
            // Exactly `count` lines after a POLYLINE record are its vertex
            // lines, comments and empty lines included; one that does not
            // read as a vertex adds none.
            Record& polyline = part.records.back();
            TPointD vertex;
            if (ReadVertex(line, vertex)) {
                part.vertices.push_back(vertex);
                ++polyline.vertexCount;
            }
            if (--pending == 0) polyline.runEnd = next;
            continue;
        }
        Record r;
        if (!ParseRecordLine(line, r)) continue;
        r.at = at;
        r.shapesBefore = part.shapes;
        const auto index = static_cast<uint32_t>(part.records.size());
        if (r.kind == Kind::Layer || r.kind == Kind::World) {
            part.events.push_back(index);
            if (r.kind == Kind::Layer) layerKnown = false;
        } else {
            ++part.shapes;
            if (r.kind == Kind::Point) ++part.points;
            if (!layerKnown || r.layer != lastLayer) part.events.push_back(index);
            layerKnown = true;
            lastLayer = r.layer;
        }
        if (r.kind == Kind::Polyline) {
            r.firstVertex = static_cast<uint32_t>(part.vertices.size());
            pending = r.extra[0];
            r.runEnd = next;
        }
        part.records.push_back(r);
    }
    if (pending > 0) {
        part.records.back().runEnd = text.size();
        part.records.back().linesAfter = pending;
    }
}

// A canvas layer as the shapes of a run of records take it.
struct LayerPen {
    size_t record = 0;  // the first record of the run
    int32_t id = 0;
    TColor color = clBlack;
    int32_t width = 1;
    TColor fillColor = clWhite;
    uint8_t fillStyle = bsClear;
};

// What the second step settled for a part.
struct alignas(64) PartPlan {
    // Lines before `headEnd` are vertex lines of the polyline that runs on
    // from an earlier part; `closes` when its last one is among them.
    size_t headEnd = 0;
    bool closes = false;
    size_t firstRecord = 0;  // the records before it lie in the head
    std::vector<LayerPen> pens;
    int32_t firstId = 0;
};

// A part's shapes, built (the third step) and owned until they are handed
// over: `open` is its last polyline when its vertex lines run on beyond the
// part, kept apart and not counted in `tallies`.
struct alignas(64) PartShapes {
    std::vector<TPlovanShape*> shapes;
    TShapeStore::LayerTallies tallies;
    std::vector<TPointD> head;  // the vertices of the head
    std::unique_ptr<TPlovanPolyline> open;

    PartShapes() = default;
    PartShapes(const PartShapes&) = delete;
    PartShapes& operator=(const PartShapes&) = delete;
    ~PartShapes() { Clear(); }
    void Clear() {
        for (TPlovanShape* s : shapes) delete s;
        shapes.clear();
        tallies.clear();
        head.clear();
        open.reset();
    }
};

// What the shapes take from the canvas besides their layer; fixed while a
// text is read.
struct Defaults {
    std::vector<TCanvasFont> fonts;
    int32_t textHAlign = 0;
};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Colour and width over the layer's pen, only when a colour was given.
void ApplyPen(TPlovanShape& shape, const Record& p) {
    if (p.color == 0) return;
    shape.FColor = p.color;
    shape.FWidth = p.width;
}

void AddVertices(TPlovanPolyline& polyline, const TPointD* vertices, size_t count) {
    polyline.Points.reserve(polyline.Points.size() + count);
    for (size_t i = 0; i < count; ++i) polyline.AddPoint(vertices[i].X, vertices[i].Y);
}

// Room for a part's points, taken from their pool at once: one lock for the
// part instead of one for each point, which threads making points side by
// side would wait on. What is not used goes back.
class PointRoom {
  public:
    explicit PointRoom(size_t count) {
        try {
            TPlovanPoint::TakeRoom(count, room_);
        } catch (...) {
            Return();
            throw;
        }
    }
    ~PointRoom() { Return(); }
    PointRoom(const PointRoom&) = delete;
    PointRoom& operator=(const PointRoom&) = delete;

    std::unique_ptr<TPlovanPoint> Make(double x, double y, int32_t layerId) {
        if (room_.empty()) return std::unique_ptr<TPlovanPoint>(new TPlovanPoint(x, y, layerId));
        void* slot = room_.back();
        room_.pop_back();
        return std::unique_ptr<TPlovanPoint>(::new (slot) TPlovanPoint(x, y, layerId));
    }

  private:
    void Return() {
        for (void* slot : room_) TPlovanPoint::ReturnRoom(slot);
        room_.clear();
    }
    std::vector<void*> room_;
};

// The shape of a record, as the canvas's own add operations make it on the
// layer `pen` names, with the record's fields over it.
std::unique_ptr<TPlovanShape> BuildShape(const Record& p, const LayerPen& pen,
                                         const PartRecords& part, const Defaults& defaults,
                                         PointRoom& points) {
    const double* r = p.real;
    switch (p.kind) {
        case Kind::Line: {
            auto s = std::make_unique<TPlovanLine>(r[0], r[1], r[2], r[3], pen.id);
            s->FColor = pen.color;
            s->FWidth = pen.width;
            ApplyPen(*s, p);
            return s;
        }
        case Kind::Circle: {
            auto s = std::make_unique<TPlovanCircle>(r[0], r[1], r[2], pen.id);
            s->FColor = pen.color;
            s->FWidth = pen.width;
            s->FFillColor = pen.fillColor;
            s->FFillStyle = pen.fillStyle;
            ApplyPen(*s, p);
            return s;
        }
        case Kind::Point: {
            auto s = points.Make(r[0], r[1], pen.id);
            s->FColor = p.color;  // as read, also when 0
            s->FWidth = p.width;
            s->Z = r[2];
            return s;
        }
        case Kind::Text: {
            auto s = std::make_unique<TPlovanText>(r[0], r[1], Utf8(p.text), p.extra[0], pen.id);
            s->FColor = p.color != 0 ? p.color : pen.color;
            s->HAlign = defaults.textHAlign;
            if (p.extra[0] >= 0 && static_cast<size_t>(p.extra[0]) < defaults.fonts.size())
                s->FontName = defaults.fonts[static_cast<size_t>(p.extra[0])].Name;
            // The box stays the one made with the constructor's height.
            s->Height = r[2];
            s->Angle = r[3];
            s->Bold = p.extra[1] != 0;
            s->Italic = p.extra[2] != 0;
            if (!p.name.empty() && p.name != "0") s->FontName = Utf8(p.name).replace('_', ' ');
            return s;
        }
        case Kind::Rectangle: {
            auto s = std::make_unique<TPlovanRectangle>(r[0], r[1], r[2], r[3], pen.id, 0, r[4]);
            s->FColor = p.color;
            s->FWidth = p.width;
            s->FFillColor = p.extra[0];
            s->FFillStyle = static_cast<uint8_t>(p.extra[1]);
            return s;
        }
        case Kind::Ellipse: {
            auto s = std::make_unique<TPlovanEllipse>(r[0], r[1], r[2], r[3], pen.id);
            ApplyPen(*s, p);
            return s;
        }
        case Kind::Arc: {
            auto s = std::make_unique<TPlovanArc>(r[0], r[1], r[2], r[3], r[4], r[5], pen.id);
            ApplyPen(*s, p);
            return s;
        }
        case Kind::Polyline: {
            // The count is never trusted for memory: only the vertices read
            // are stored, and the text may end first.
            auto s = std::make_unique<TPlovanPolyline>(pen.id, p.closed);
            s->FShapeType = p.typeCode;
            ApplyPen(*s, p);
            AddVertices(*s, part.vertices.data() + p.firstVertex, p.vertexCount);
            return s;
        }
        default:
            return nullptr;
    }
}

// Counts a shape into its layer's tally as TShapeStore would.
void Count(TShapeStore::LayerTallies& tallies, const TPlovanShape& shape) {
    auto it = std::find_if(tallies.begin(), tallies.end(),
                           [&](const auto& t) { return t.first == shape.FLayerId; });
    if (it == tallies.end()) {
        tallies.emplace_back(shape.FLayerId, TLayerShapes{1, shape.FColor, shape.FWidth});
        return;
    }
    TLayerShapes& t = it->second;
    ++t.count;
    if (t.colour != shape.FColor) t.colour.reset();
    if (t.width != shape.FWidth) t.width.reset();
}

// The third step for one part: touches neither the canvas nor the reader.
void BuildPart(const PartRecords& part, const PartPlan& plan, const Defaults& defaults,
               PartShapes& out) {
    out.Clear();
    for (size_t at = 0, next = 0; at < plan.headEnd; at = next) {
        TPointD vertex;
        if (ReadVertex(LineAt(part.text, at, next), vertex)) out.head.push_back(vertex);
    }
    out.shapes.reserve(part.shapes);
    PointRoom points(part.points);
    int32_t id = plan.firstId;
    size_t pen = 0;
    // Runs of shapes on one layer are the rule: the last layer's tally is
    // looked at first.
    for (size_t i = plan.firstRecord; i < part.records.size(); ++i) {
        const Record& p = part.records[i];
        if (!IsShape(p.kind)) continue;
        while (pen + 1 < plan.pens.size() && plan.pens[pen + 1].record <= i) ++pen;
        std::unique_ptr<TPlovanShape> shape = BuildShape(p, plan.pens[pen], part, defaults, points);
        shape->FId = id++;
        if (p.kind == Kind::Polyline && p.linesAfter > 0) {
            out.open.reset(static_cast<TPlovanPolyline*>(shape.release()));
            continue;
        }
        Count(out.tallies, *shape);
        out.shapes.push_back(shape.get());
        shape.release();
    }
}

// The reader's own state from part to part, changed only on the calling
// thread: the layer map, the polyline whose vertex lines run on, the next
// shape id.
class Reader {
  public:
    explicit Reader(TCanvasModel& model) : model_(model), nextId_(model.FNextShapeId) {}

    // The second step for one part, in file order.
    void Plan(PartRecords& part, PartPlan& plan) {
        plan.pens.clear();
        plan.headEnd = 0;
        plan.closes = false;
        plan.firstRecord = 0;
        if (carryLines_ > 0) {
            size_t at = 0;
            while (carryLines_ > 0 && at < part.text.size()) {
                LineAt(part.text, at, at);
                --carryLines_;
            }
            plan.headEnd = at;
            if (carryLines_ > 0) {
                plan.firstRecord = part.records.size();
                plan.firstId = nextId_;
                return;  // the whole part is vertex lines
            }
            plan.closes = true;
            const auto first =
                std::partition_point(part.records.begin(), part.records.end(),
                                     [&](const Record& r) { return r.at < plan.headEnd; });
            plan.firstRecord = static_cast<size_t>(first - part.records.begin());
            // The part's own reading took a line of the head for a POLYLINE
            // record whose vertex lines reach beyond the head: read the rest
            // of the part again from the first line after the head.
            if (first != part.records.begin() && std::prev(first)->runEnd > plan.headEnd) {
                ParsePart(part, plan.headEnd);
                plan.firstRecord = 0;
            }
        }
        plan.firstId = nextId_;
        if (plan.firstRecord < part.records.size())
            nextId_ +=
                static_cast<int32_t>(part.shapes - part.records[plan.firstRecord].shapesBefore);
        // The first shape record after the head takes its layer even when the
        // part's own reading saw its layer id on a record in the head.
        size_t unseen = plan.firstRecord;
        while (unseen < part.records.size() && !IsShape(part.records[unseen].kind)) ++unseen;
        auto event = std::lower_bound(part.events.begin(), part.events.end(), plan.firstRecord);
        for (;; ++event) {
            const size_t i = event != part.events.end() ? *event : part.records.size();
            if (unseen < i && unseen < part.records.size()) {
                AddPen(plan, unseen, part.records[unseen].layer);
                unseen = part.records.size();
            }
            if (i == part.records.size()) break;
            if (i == unseen) unseen = part.records.size();
            const Record& p = part.records[i];
            if (p.kind == Kind::World) {
                model_.SetView(p.real[0], p.real[3], p.real[1], p.real[2]);
            } else if (p.kind == Kind::Layer) {
                layerMap_[p.layer] = model_.AddLayer(Utf8(p.name));
                cacheValid_ = false;
            } else {
                AddPen(plan, i, p.layer);
            }
        }
        if (plan.firstRecord < part.records.size()) carryLines_ = part.records.back().linesAfter;
    }

    // The fourth step for one part, in file order: its shapes go to the
    // canvas.
    void HandOver(const PartPlan& plan, PartShapes& built) {
        if (open_) {
            AddVertices(*open_, built.head.data(), built.head.size());
            if (plan.closes) AppendOpen();
        }
        model_.AppendBuiltShapes(built.shapes, built.tallies);
        built.shapes.clear();
        if (built.open) open_ = std::move(built.open);
    }

    // The text ended: a polyline still waiting for vertex lines is kept with
    // the vertices it has.
    void Finish() {
        if (open_) AppendOpen();
    }

  private:
    // The canvas layer for a layer id of the file: through the map of the
    // LAYER records, else the id as read; an id that names no layer of the
    // canvas falls back to "Default" for every kind of record.
    int LayerFor(int fileId) {
        // Layers are never removed while loading, so a resolved id stays
        // good until the next LAYER record changes the map.
        if (cacheValid_ && fileId == cachedFileId_) return cachedId_;
        const auto it = layerMap_.find(fileId);
        int id = it != layerMap_.end() ? it->second : fileId;
        if (!model_.FindLayerById(id)) id = model_.AddLayer(QStringLiteral("Default"));
        cacheValid_ = true;
        cachedFileId_ = fileId;
        cachedId_ = id;
        return id;
    }

    void AddPen(PartPlan& plan, size_t record, int32_t fileId) {
        LayerPen pen;
        pen.record = record;
        pen.id = LayerFor(fileId);
        if (const TCanvasLayer* layer = model_.FindLayerById(pen.id)) {
            pen.color = layer->PenColor;
            pen.width = layer->PenWidth;
            pen.fillColor = layer->FillColor;
            pen.fillStyle = layer->FillStyle;
        }
        plan.pens.push_back(pen);
    }

    void AppendOpen() {
        // Its id was given in file order; no shape came after it.
        model_.AppendShape(std::move(open_));
    }

    TCanvasModel& model_;
    int32_t nextId_;
    int64_t carryLines_ = 0;  // vertex lines of the open polyline still to come
    std::unique_ptr<TPlovanPolyline> open_;
    std::map<int32_t, int> layerMap_;  // file layer id -> canvas layer id
    bool cacheValid_ = false;
    int32_t cachedFileId_ = 0;
    int cachedId_ = 0;
};

// The parts read side by side: a few for each thread.
struct Window {
    size_t count = 0;
    std::vector<PartRecords> parts;
    std::vector<PartPlan> plans;
    std::vector<PartShapes> shapes;

    explicit Window(size_t size) : parts(size), plans(size), shapes(size) {}
};

}  // namespace

void LoadProjectText(TCanvasModel& model, std::string_view text, int mode, TaskPool* pool,
                     size_t partBytes) {
    if (mode == 0) {
        model.RemoveAllShapesAndLayers();
        model.AddLayer(QStringLiteral("Default"));
    }
    partBytes = std::max<size_t>(partBytes, 1);
    std::unique_ptr<TaskPool> own;
    if (!pool && text.size() >= 2 * partBytes && MachineThreads() > 1) {
        own = std::make_unique<TaskPool>(MachineThreads() - 1);
        pool = own.get();
    }
    const size_t threads = pool ? pool->Threads() + 1 : 1;
    Defaults defaults;
    defaults.fonts = model.FFonts;
    defaults.textHAlign = model.FDefaultTextHAlign;

    auto fill = [&](Window& window) {
        window.count = 0;
        while (window.count < window.parts.size() && !text.empty()) {
            size_t end = std::min(text.size(), partBytes);
            if (end < text.size()) {
                const size_t lf = text.find('\n', end - 1);
                end = lf == std::string_view::npos ? text.size() : lf + 1;
            }
            window.parts[window.count++].text = text.substr(0, end);
            text.remove_prefix(end);
        }
    };
    auto parse = [](Window& window) {
        return [&window](size_t i) { ParsePart(window.parts[i], 0); };
    };

    Reader reader(model);
    Window current(2 * threads), next(2 * threads);
    fill(current);
    ParallelFor(pool, current.count, parse(current));
    // The drawing list and the id table grow once, by what the first window
    // tells of the whole text.
    if (!text.empty()) {
        size_t bytes = 0, shapes = 0;
        for (size_t i = 0; i < current.count; ++i) {
            bytes += current.parts[i].text.size();
            shapes += current.parts[i].shapes;
        }
        const double perByte = static_cast<double>(shapes) / static_cast<double>(bytes);
        try {
            model.ReserveShapes(
                static_cast<size_t>(perByte * static_cast<double>(bytes + text.size()) * 1.2));
        } catch (const std::bad_alloc&) {
            // Only a guess: without the room the lists grow as they go.
        }
    }
    while (current.count > 0) {
        for (size_t i = 0; i < current.count; ++i) reader.Plan(current.parts[i], current.plans[i]);
        ParallelRun build(pool, current.count, [&](size_t i) {
            BuildPart(current.parts[i], current.plans[i], defaults, current.shapes[i]);
        });
        // The next window is taken apart while this one is built and handed
        // over.
        fill(next);
        ParallelRun parseNext(pool, next.count, parse(next));
        build.Wait();
        for (size_t i = 0; i < current.count; ++i)
            reader.HandOver(current.plans[i], current.shapes[i]);
        parseNext.Wait();
        std::swap(current, next);
    }
    reader.Finish();
}

}  // namespace vlm
