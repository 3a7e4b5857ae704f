// The DXF reader on arbitrary bytes: it must never crash; a file it cannot
// read leaves the drawing as it was; every shape it makes has a finite box;
// whatever it reads exports and reads back.
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "canvas/CanvasModel.h"
#include "canvas/DxfReader.h"
#include "canvas/DxfTokens.h"
#include "canvas/DxfWriter.h"
#include "canvas/ProjectFile.h"
#include "platform/Dialogs.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

// The models live for the whole run: a new one paints its whole back buffer,
// which costs more than reading the input. Before each use they go back to
// the state of a new model: no shapes, the default layer alone, a fixed view,
// no block table and no import layer.
TCanvasModel& Fresh(int which) {
    static TCanvasModel models[2];
    TCanvasModel& model = models[which];
    vlm::LoadProjectText(model, "WORLD 0.000000 1000.000000 0.000000 1000.000000\n", 0);
    model.FBlocks.clear();
    model.FImportLayer = -1;
    return model;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::ScriptedDialogs* const dialogs = [] {
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        platform::ScriptedDialogs* kept = scripted.get();
        platform::SetDialogs(std::move(scripted));
        return kept;
    }();
    dialogs->messages.clear();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TCanvasModel& model = Fresh(0);
    model.AddLine(0, 0, 1, 1, 0);
    const size_t before = model.FShapes.size();
    const DxfImportResult r = LoadDxfBytes(model, bytes, QStringLiteral("_dxf_fuzz"));
    if (!r.read) Check(model.FShapes.size() == before);
    Check(static_cast<long long>(model.FShapes.size()) ==
          static_cast<long long>(before) + r.shapes);
    // Geometry beyond the double range gives no shape.
    for (const TPlovanShape* s : model.FShapes)
        Check(std::isfinite(s->FMinX) && std::isfinite(s->FMaxX) && std::isfinite(s->FMinY) &&
              std::isfinite(s->FMaxY));

    // Strings of the file through the text helpers.
    for (const DxfPair& p : DxfSplitPairs(bytes)) {
        Check(std::isfinite(DxfAtof(p.value)));
        (void)DxfStripMText(p.value);
    }

    // The export of what was read is read back whole: every exported entity
    // is one shape again (splines, arcs and hidden shapes are not exported).
    if (r.read) {
        TCanvasModel& back = Fresh(1);
        const DxfImportResult again =
            LoadDxfBytes(back, DxfExportText(model), QStringLiteral("_dxf_back"));
        Check(again.read);
    }
    return 0;
}
