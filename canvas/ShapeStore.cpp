#include "canvas/ShapeStore.h"

#include <algorithm>

#include "platform/VclText.h"

namespace {

const QString kDefaultLayer = QStringLiteral("Default");

}  // namespace

TShapeStore::TShapeStore() {
    AddLayer(kDefaultLayer);
    FFonts.push_back(TCanvasFont{QStringLiteral("Arial"), 10, 0, 0});
}

TShapeStore::~TShapeStore() {
    for (TPlovanShape* s : FShapes) delete s;
}

// ---- Layers ----

int TShapeStore::AddLayer(const QString& name) {
    int id = FindLayer(name);
    if (id < 0) {
        auto layer = std::make_unique<TCanvasLayer>();
        layer->Id = FNextLayerId++;
        layer->Name = name;
        id = layer->Id;
        FLayers.push_back(std::move(layer));
    }
    CurrentLayer = id;
    return id;
}

int TShapeStore::FindLayer(const QString& name) const {
    for (const auto& layer : FLayers)
        if (layer->Name == name) return layer->Id;
    return -1;
}

TCanvasLayer* TShapeStore::FindLayerById(int id) const {
    // Layers are numbered in creation order, so the id is usually the index.
    if (id >= 0 && static_cast<std::size_t>(id) < FLayers.size() && FLayers[id]->Id == id)
        return FLayers[id].get();
    for (const auto& layer : FLayers)
        if (layer->Id == id) return layer.get();
    return nullptr;
}

TCanvasLayer& TShapeStore::ResolveLayer(int id) {
    if (TCanvasLayer* layer = FindLayerById(id)) return *layer;
    return *FindLayerById(AddLayer(kDefaultLayer));
}

// ---- Id index ----

void TShapeStore::Index(TPlovanShape* shape) {
    const std::int32_t id = shape->FId;
    if (id >= 0) {
        const auto u = static_cast<std::size_t>(id);
        if (u < FIdIndex.size()) {
            FIdIndex[u] = shape;
            return;
        }
        // Ids are handed out in sequence, so the dense table grows with the
        // drawing; a far-off id (from outside) goes to the hashed table.
        if (u <= 2 * FIdIndex.size() + 4096) {
            GrowIdIndex(std::max(u + 1, FIdIndex.size() + FIdIndex.size() / 2));
            FIdIndex[u] = shape;
            return;
        }
    }
    FIdOverflow[id] = shape;
}

void TShapeStore::GrowIdIndex(std::size_t size) {
    if (size <= FIdIndex.size()) return;
    FIdIndex.resize(size, nullptr);
    // Far-off ids the table now covers move in: a lookup of an id below its
    // size reads the table alone.
    for (auto it = FIdOverflow.begin(); it != FIdOverflow.end();) {
        if (it->first >= 0 && static_cast<std::size_t>(it->first) < FIdIndex.size()) {
            FIdIndex[static_cast<std::size_t>(it->first)] = it->second;
            it = FIdOverflow.erase(it);
        } else {
            ++it;
        }
    }
}

void TShapeStore::Unindex(const TPlovanShape* shape) {
    const std::int32_t id = shape->FId;
    if (id >= 0 && static_cast<std::size_t>(id) < FIdIndex.size()) {
        if (FIdIndex[static_cast<std::size_t>(id)] == shape)
            FIdIndex[static_cast<std::size_t>(id)] = nullptr;
        return;
    }
    auto it = FIdOverflow.find(id);
    if (it != FIdOverflow.end() && it->second == shape) FIdOverflow.erase(it);
}

TPlovanShape* TShapeStore::FindShape(int id) const {
    if (id >= 0 && static_cast<std::size_t>(id) < FIdIndex.size())
        return FIdIndex[static_cast<std::size_t>(id)];
    if (FIdOverflow.empty()) return nullptr;
    auto it = FIdOverflow.find(id);
    return it == FIdOverflow.end() ? nullptr : it->second;
}

int TShapeStore::PositionOf(const TPlovanShape* shape) const {
    for (std::size_t i = FShapes.size(); i-- > 0;)
        if (FShapes[i] == shape) return static_cast<int>(i);
    return -1;
}

// ---- Adding and deleting ----

// ---- Layer tallies ----

void TShapeStore::Count(const TPlovanShape& shape) {
    TLayerShapes& t = FLayerShapes[shape.FLayerId];
    if (t.count++ == 0) {
        t.colour = shape.FColor;
        t.width = shape.FWidth;
        return;
    }
    if (t.colour != shape.FColor) t.colour.reset();
    if (t.width != shape.FWidth) t.width.reset();
}

void TShapeStore::Uncount(const TPlovanShape& shape) {
    auto it = FLayerShapes.find(shape.FLayerId);
    if (it != FLayerShapes.end() && --it->second.count <= 0) FLayerShapes.erase(it);
}

const TLayerShapes* TShapeStore::LayerShapesOf(int layerId) const {
    auto it = FLayerShapes.find(layerId);
    return it == FLayerShapes.end() ? nullptr : &it->second;
}

bool TShapeStore::SetLayerShapesColour(int layerId, TColor colour) {
    auto it = FLayerShapes.find(layerId);
    if (it == FLayerShapes.end() || it->second.colour == colour) return false;
    for (TPlovanShape* s : FShapes)
        if (s->FLayerId == layerId) s->FColor = colour;
    it->second.colour = colour;
    return true;
}

bool TShapeStore::SetLayerShapesWidth(int layerId, std::int32_t width) {
    auto it = FLayerShapes.find(layerId);
    if (it == FLayerShapes.end() || it->second.width == width) return false;
    for (TPlovanShape* s : FShapes)
        if (s->FLayerId == layerId) s->FWidth = width;
    it->second.width = width;
    FCulling.NoteWidth(width);
    return true;
}

void TShapeStore::SetShapeColour(TPlovanShape& shape, TColor colour) {
    shape.FColor = colour;
    auto it = FLayerShapes.find(shape.FLayerId);
    if (it == FLayerShapes.end() || FindShape(shape.FId) != &shape) return;
    TLayerShapes& t = it->second;
    if (t.count == 1)
        t.colour = colour;
    else if (t.colour != colour)
        t.colour.reset();
}

void TShapeStore::SetShapeWidth(TPlovanShape& shape, std::int32_t width) {
    shape.FWidth = width;
    FCulling.NoteWidth(width);
    auto it = FLayerShapes.find(shape.FLayerId);
    if (it == FLayerShapes.end() || FindShape(shape.FId) != &shape) return;
    TLayerShapes& t = it->second;
    if (t.count == 1)
        t.width = width;
    else if (t.width != width)
        t.width.reset();
}

void TShapeStore::SetShapeLayer(TPlovanShape& shape, std::int32_t layerId) {
    const bool stored = FindShape(shape.FId) == &shape;
    if (stored) Uncount(shape);
    shape.FLayerId = layerId;
    if (stored) Count(shape);
}

void TShapeStore::RecountLayers() {
    FLayerShapes.clear();
    for (const TPlovanShape* s : FShapes) Count(*s);
}

void TShapeStore::Push(TPlovanShape* shape) {
    // The culling index takes the appended shape in at its next refresh.
    FShapes.push_back(shape);
    Index(shape);
    Count(*shape);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
}

int TShapeStore::AddNew(std::unique_ptr<TPlovanShape> shape) {
    shape->FId = FNextShapeId++;
    TPlovanShape* s = shape.release();
    Push(s);
    return s->FId;
}

int TShapeStore::Append(std::unique_ptr<TPlovanShape> shape) {
    if (!shape) return -1;
    if (shape->FId <= 0 || FindShape(shape->FId)) {
        shape->FId = FNextShapeId++;
    } else if (shape->FId >= FNextShapeId) {
        FNextShapeId = shape->FId + 1;  // keep later ids unique
    }
    TPlovanShape* s = shape.release();
    Push(s);
    return s->FId;
}

void TShapeStore::AppendBuilt(const std::vector<TPlovanShape*>& shapes,
                              const LayerTallies& tallies) {
    if (shapes.empty()) return;
    const std::int32_t first = FNextShapeId;
    const std::size_t count = shapes.size();
    // Everything that takes memory first, while nothing has changed: the
    // list's room, the id table's rows and the tallies' entries.
    if (FShapes.capacity() < FShapes.size() + count)
        FShapes.reserve(std::max(FShapes.size() + count, 2 * FShapes.capacity()));
    // Ids in sequence go to the dense table as Index would put them there
    // one by one; a run starting far off goes through Index itself.
    const bool dense = first >= 0 && static_cast<std::size_t>(first) <= 2 * FIdIndex.size() + 4096;
    if (dense) {
        const std::size_t last = static_cast<std::size_t>(first) + count - 1;
        if (last >= FIdIndex.size())
            GrowIdIndex(std::max(last + 1, FIdIndex.size() + FIdIndex.size() / 2));
    }
    std::vector<std::int32_t> added;  // tally entries made here, gone again on failure
    std::size_t indexed = 0;
    try {
        added.reserve(tallies.size());
        for (const auto& [layer, tally] : tallies)
            if (FLayerShapes.try_emplace(layer).second) added.push_back(layer);
        if (dense) {
            std::copy(shapes.begin(), shapes.end(),
                      FIdIndex.begin() + static_cast<std::ptrdiff_t>(first));
            indexed = count;
        } else {
            for (; indexed < count; ++indexed) Index(shapes[indexed]);
        }
    } catch (...) {
        for (std::size_t i = 0; i < indexed; ++i) Unindex(shapes[i]);
        for (const std::int32_t layer : added) FLayerShapes.erase(layer);
        throw;
    }
    FShapes.insert(FShapes.end(), shapes.begin(), shapes.end());
    for (const auto& [layer, tally] : tallies) {
        TLayerShapes& t = FLayerShapes[layer];
        if (t.count == 0) {
            t = tally;
            continue;
        }
        // As Count would have left it after each of the shapes in turn.
        t.count += tally.count;
        if (t.colour != tally.colour) t.colour.reset();
        if (t.width != tally.width) t.width.reset();
    }
    FNextShapeId = first + static_cast<std::int32_t>(count);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
}

void TShapeStore::ReserveShapes(std::size_t count) {
    FShapes.reserve(FShapes.size() + count);
    if (FNextShapeId >= 0 && static_cast<std::size_t>(FNextShapeId) <= 2 * FIdIndex.size() + 4096)
        FIdIndex.reserve(static_cast<std::size_t>(FNextShapeId) + count);
}

bool TShapeStore::Delete(int id) {
    TPlovanShape* s = FindShape(id);
    if (!s) return false;
    const int pos = PositionOf(s);
    if (pos >= 0) {
        FShapes.erase(FShapes.begin() + pos);
        FCulling.MarkChangedFrom(static_cast<std::size_t>(pos));
        Uncount(*s);
    }
    Unindex(s);
    delete s;
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
    return true;
}

bool TShapeStore::DeleteWhere(const std::function<bool(const TPlovanShape&)>& doomed) {
    std::size_t kept = 0;
    bool any = false;
    for (std::size_t i = 0; i < FShapes.size(); ++i) {
        TPlovanShape* s = FShapes[i];
        if (doomed(*s)) {
            if (!any) FCulling.MarkChangedFrom(i);
            Uncount(*s);
            Unindex(s);
            delete s;
            any = true;
        } else {
            FShapes[kept++] = s;
        }
    }
    FShapes.resize(kept);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
    return any;
}

bool TShapeStore::DeleteLayerShapes(int layerId) {
    const TLayerShapes* tally = LayerShapesOf(layerId);
    if (!tally) return false;
    // The lowest position holding one of the layer's shapes: the vessel and
    // the newest track lie at the top of the drawing.
    std::int32_t left = tally->count;
    std::size_t lowest = FShapes.size();
    for (std::size_t i = FShapes.size(); i-- > 0 && left > 0;) {
        if (FShapes[i]->FLayerId == layerId) {
            lowest = i;
            --left;
        }
    }
    std::size_t kept = lowest;
    for (std::size_t i = lowest; i < FShapes.size(); ++i) {
        TPlovanShape* s = FShapes[i];
        if (s->FLayerId == layerId) {
            Unindex(s);
            delete s;
        } else {
            FShapes[kept++] = s;
        }
    }
    FShapes.resize(kept);
    FLayerShapes.erase(layerId);
    FCulling.MarkChangedFrom(lowest);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
    return true;
}

void TShapeStore::DeleteAll() {
    for (TPlovanShape* s : FShapes) delete s;
    FShapes.clear();
    FIdIndex.clear();
    FIdOverflow.clear();
    FLayerShapes.clear();
    FShapeCount = 0;
    FCulling.MarkStale();
}

void TShapeStore::RestartShapeIds() {
    if (FShapes.empty()) FNextShapeId = 1;
}

void TShapeStore::DeleteAllShapesAndLayers() {
    DeleteAll();
    FLayers.clear();
    FNextLayerId = 0;
    FNextShapeId = 1;
}

bool TShapeStore::BringToFront(int id) {
    TPlovanShape* s = FindShape(id);
    const int pos = s ? PositionOf(s) : -1;
    if (pos < 0) return false;
    std::rotate(FShapes.begin() + pos, FShapes.begin() + pos + 1, FShapes.end());
    FCulling.MarkChangedFrom(static_cast<std::size_t>(pos));
    return true;
}

bool TShapeStore::SendToBack(int id) {
    TPlovanShape* s = FindShape(id);
    const int pos = s ? PositionOf(s) : -1;
    if (pos < 0) return false;
    std::rotate(FShapes.begin(), FShapes.begin() + pos, FShapes.begin() + pos + 1);
    FCulling.MarkStale();  // from the bottom up
    return true;
}

// ---- Fonts ----

int TShapeStore::AddFont(const QString& spec) {
    TCanvasFont font;
    const int first = spec.indexOf(QLatin1Char(','));
    if (first < 0) {
        font.Name = spec;
    } else {
        font.Name = spec.left(first);
        const QString rest = spec.mid(first + 1);
        const int second = rest.indexOf(QLatin1Char(','));
        const QString sizeText = second < 0 ? rest : rest.left(second);
        font.Size = platform::StrToIntDef(sizeText.toStdString(), 10);
        if (second >= 0) {
            const QString style = rest.mid(second + 1).toUpper();
            font.Bold = style.contains(QLatin1Char('B')) ? 1 : 0;
            font.Italic = style.contains(QLatin1Char('I')) ? 1 : 0;
        }
    }
    // "TXT" is the standard DXF font.
    if (font.Name.toUpper() == QLatin1String("TXT")) font.Name = QStringLiteral("Arial");
    FFonts.push_back(font);
    FCurrentFont = static_cast<std::int16_t>(FFonts.size() - 1);
    return static_cast<int>(FFonts.size() - 1);
}

const TCanvasFont* TShapeStore::FindFont(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= FFonts.size()) return nullptr;
    return &FFonts[static_cast<std::size_t>(index)];
}
