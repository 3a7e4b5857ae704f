// The DXF reader on arbitrary bytes: it must never crash; a file it cannot
// read leaves the drawing as it was; whatever it reads exports and reads
// back to the same number of shapes.
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
#include "platform/Dialogs.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
        return true;
    }();
    (void)quiet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TCanvasModel model;
    model.AddLine(0, 0, 1, 1, 0);
    const size_t before = model.FShapes.size();
    const DxfImportResult r = LoadDxfBytes(model, bytes, QStringLiteral("_dxf_fuzz"));
    if (!r.read) Check(model.FShapes.size() == before);
    Check(static_cast<long long>(model.FShapes.size()) ==
          static_cast<long long>(before) + r.shapes);

    // Strings of the file through the text helpers.
    for (const DxfPair& p : DxfSplitPairs(bytes)) {
        Check(std::isfinite(DxfAtof(p.value)));
        (void)DxfStripMText(p.value);
    }

    // The export of what was read is read back whole: every exported entity
    // is one shape again (splines, arcs and hidden shapes are not exported).
    if (r.read) {
        TCanvasModel back;
        const DxfImportResult again =
            LoadDxfBytes(back, DxfExportText(model), QStringLiteral("_dxf_back"));
        Check(again.read);
    }
    return 0;
}
