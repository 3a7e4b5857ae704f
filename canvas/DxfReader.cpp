#include "canvas/DxfReader.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <cmath>
#include <new>
#include <optional>
#include <stdexcept>

#include "canvas/DxfEntities.h"
#include "canvas/DxfTokens.h"
#include "platform/Dialogs.h"
#include "platform/TextFiles.h"

Q_LOGGING_CATEGORY(lcDxf, "phx.canvas.dxf", QtWarningMsg)

namespace {

// Index of the pair after (0 SECTION)(2 name), or npos.
size_t FindSection(const std::vector<DxfPair>& pairs, std::string_view name) {
    for (size_t i = 0; i + 1 < pairs.size(); ++i) {
        if (pairs[i].code == 0 && pairs[i].value == "SECTION" && pairs[i + 1].code == 2 &&
            pairs[i + 1].value == name)
            return i + 2;
    }
    return std::string_view::npos;
}

// Where a cut-off file ends: inside a section, or after one but before the
// next section or the EOF record. A file that ends right after an ENDSEC has
// lost at most its EOF record and counts as whole, as does one without any
// section (it is no drawing, which the ENTITIES check says).
struct DxfCut {
    std::string_view section;  // the section it ends inside or after
    bool inside = false;
};
std::optional<DxfCut> CutOffAt(const std::vector<DxfPair>& pairs) {
    std::optional<DxfCut> cut;
    bool closedLast = false;  // the last record is an ENDSEC
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].code != 0) continue;
        const std::string_view type = pairs[i].value;
        if (type == "EOF") return std::nullopt;
        closedLast = type == "ENDSEC" && cut && cut->inside;
        if (closedLast) cut->inside = false;
        if (type == "SECTION")
            cut = DxfCut{i + 1 < pairs.size() && pairs[i + 1].code == 2 ? pairs[i + 1].value : "",
                         true};
    }
    if (closedLast) return std::nullopt;
    return cut;
}

// The index of the next (0, type) pair at or after `at`.
size_t NextRecord(const std::vector<DxfPair>& pairs, size_t at) {
    while (at < pairs.size() && pairs[at].code != 0) ++at;
    return at;
}

void ReadLayerTable(TCanvasModel& model, const std::vector<DxfPair>& pairs, DxfEncoding encoding) {
    size_t at = FindSection(pairs, "TABLES");
    if (at == std::string_view::npos) return;
    for (at = NextRecord(pairs, at); at < pairs.size() && pairs[at].value != "ENDSEC";) {
        const size_t end = NextRecord(pairs, at + 1);
        if (pairs[at].value == "LAYER") {
            std::string name;
            int index = 7;
            for (size_t k = at + 1; k < end; ++k) {
                if (pairs[k].code == 2) name = DxfDecodeText(pairs[k].value, encoding);
                if (pairs[k].code == 62) index = DxfAtoi(pairs[k].value);
            }
            TCanvasLayer* layer = model.FindLayerById(model.FImportLayer);
            if (!name.empty() && layer && AciToColor(index) >= 0)
                layer->PenColor = AciToColor(index);
        }
        at = end;
    }
}

std::vector<std::unique_ptr<TDxfBlock>> ReadBlocks(const std::vector<DxfPair>& pairs,
                                                   DxfEncoding encoding) {
    std::vector<std::unique_ptr<TDxfBlock>> blocks;
    size_t at = FindSection(pairs, "BLOCKS");
    if (at == std::string_view::npos) return blocks;
    std::unique_ptr<TDxfBlock> current;
    for (at = NextRecord(pairs, at); at < pairs.size() && pairs[at].value != "ENDSEC";) {
        const size_t end = NextRecord(pairs, at + 1);
        const std::string_view type = pairs[at].value;
        if (type == "BLOCK") {
            current = std::make_unique<TDxfBlock>();
            for (size_t k = at + 1; k < end; ++k) {
                const DxfPair& p = pairs[k];
                if (p.code == 2)
                    current->Name = QString::fromStdString(DxfDecodeText(p.value, encoding));
                if (p.code == 10) current->BaseX = DxfAtof(p.value);
                if (p.code == 20) current->BaseY = DxfAtof(p.value);
            }
        } else if (type == "LINE" && current) {
            double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            for (size_t k = at + 1; k < end; ++k) {
                const DxfPair& p = pairs[k];
                if (p.code == 10) x1 = DxfAtof(p.value);
                if (p.code == 20) y1 = DxfAtof(p.value);
                if (p.code == 11) x2 = DxfAtof(p.value);
                if (p.code == 21) y2 = DxfAtof(p.value);
            }
            current->Shapes.push_back(std::make_unique<TPlovanLine>(x1, y1, x2, y2, 0));
        } else if (type == "ENDBLK" && current) {
            blocks.push_back(std::move(current));
        }
        at = end;
    }
    return blocks;
}

// Whether the ENTITIES section gives at least one shape: read into a scratch
// model up to the first shape made. `blocks` lend the INSERTs their lines.
bool GivesAShape(const std::vector<DxfPair>& pairs, size_t entities, DxfEncoding encoding,
                 std::vector<std::unique_ptr<TDxfBlock>>& blocks) {
    TCanvasModel scratch;
    scratch.FImportLayer = scratch.AddLayer(QStringLiteral("_dxf_"));
    scratch.FBlocks = std::move(blocks);
    DxfEntityReader reader(scratch, encoding, 1);
    size_t at = NextRecord(pairs, entities);
    while (at < pairs.size() && pairs[at].value != "ENDSEC" && !reader.LimitReached())
        at = reader.Read(pairs, at);
    blocks = std::move(scratch.FBlocks);
    return reader.Count() > 0;
}

void TraceLine(const TCanvasModel& model, std::string_view layerName) {
    if (!lcDxf().isDebugEnabled()) return;
    const TCanvasLayer* layer = model.FindLayerById(model.FImportLayer);
    auto flag = [&](std::uint8_t v) { return layer ? (v ? "Y" : "N") : "NULL"; };
    qCDebug(lcDxf).noquote() << "DXF LINE: layer='" +
                                    QString::fromUtf8(layerName.data(), int(layerName.size())) +
                                    "' lid=" + QString::number(model.FImportLayer) +
                                    " visible=" + flag(layer ? layer->Visible : 0) +
                                    " locked=" + flag(layer ? layer->Locked : 0);
}

}  // namespace

std::size_t DxfMaxPairs(std::size_t fileBytes) {
    return fileBytes < kDxfMemoryBytes ? (kDxfMemoryBytes - fileBytes) / sizeof(DxfPair) : 0;
}

DxfImportResult LoadDxfBytes(TCanvasModel& model, std::string_view bytes,
                             const QString& layerName) {
    DxfImportResult result;
    const std::size_t count = DxfPairCount(bytes), most = DxfMaxPairs(bytes.size());
    if (count > most) {
        platform::ShowMessage(QStringLiteral("DXF load failed: the file holds %1 code/value pairs, "
                                             "more than the %2 that fit beside a file of its size")
                                  .arg(count)
                                  .arg(most));
        return result;
    }
    try {
        const std::vector<DxfPair> pairs = DxfSplitPairs(bytes);
        // A file cut off before its structure closes would import only what
        // precedes the cut.
        if (const auto cut = CutOffAt(pairs)) {
            const QString section =
                QString::fromUtf8(cut->section.data(), int(cut->section.size()));
            platform::ShowMessage(
                QStringLiteral("DXF load failed: the file ends %1 the %2 section")
                    .arg(cut->inside ? "inside" : "after",
                         section.isEmpty() ? QStringLiteral("unnamed") : section));
            return result;
        }
        const size_t entities = FindSection(pairs, "ENTITIES");
        if (entities == std::string_view::npos) {
            platform::ShowMessage(QStringLiteral("DXF load failed: ENTITIES section not found"));
            return result;
        }
        const DxfEncoding encoding = DxfDetectEncoding(bytes, pairs);
        std::vector<std::unique_ptr<TDxfBlock>> blocks = ReadBlocks(pairs, encoding);
        // An emptied drawing, or one of kinds this reader does not draw,
        // would only wipe an earlier import of the file.
        if (!GivesAShape(pairs, entities, encoding, blocks)) {
            platform::ShowMessage(
                QStringLiteral("DXF load failed: the ENTITIES section holds nothing to draw"));
            return result;
        }

        // The file is good: only now is an earlier import of it replaced.
        const int existing = model.FindLayer(layerName);
        if (existing >= 0) model.ClearLayer(existing);
        model.FImportLayer = model.AddLayer(layerName);
        if (TCanvasLayer* layer = model.FindLayerById(model.FImportLayer)) {
            layer->Visible = 1;
            layer->Locked = 1;
        }
        result.read = true;

        ReadLayerTable(model, pairs, encoding);
        // One block table per import: a block of an earlier file never
        // stands in for this file's block of the same name.
        model.FBlocks = std::move(blocks);

        DxfEntityReader reader(model, encoding, kDxfMaxShapes);
        reader.onLine = [&model](std::string_view layer) { TraceLine(model, layer); };
        size_t at = NextRecord(pairs, entities);
        while (at < pairs.size() && pairs[at].value != "ENDSEC" && !reader.LimitReached())
            at = reader.Read(pairs, at);
        result.shapes = reader.Count();
        result.skipped = reader.Skipped();
        result.imported = result.shapes >= 1 && !reader.LimitReached();
    } catch (const std::exception&) {
        // Out of memory on a damaged file: the shapes made so far stay.
        result.imported = false;
        return result;
    }
    model.ZoomExtents();
    model.Redraw();
    return result;
}

DxfImportResult LoadDxfFile(TCanvasModel& model, const QString& fileName) {
    std::string bytes;
    const std::string path = fileName.toStdString();
    const platform::FileReadResult read = platform::ReadRegularFile(path, bytes, kDxfMaxFileBytes);
    if (read.status == platform::FileReadStatus::Missing) return {};
    if (!read.ok()) {
        platform::ShowMessage("DXF load failed: " + platform::FileReadProblem(path, read));
        return {};
    }
    return LoadDxfBytes(model, bytes, QStringLiteral("_dxf_") + QFileInfo(fileName).fileName());
}
