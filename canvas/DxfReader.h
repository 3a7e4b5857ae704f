// ASCII DXF import into the canvas model. Every entity the reader knows
// (LINE, CIRCLE, ARC, ELLIPSE, LWPOLYLINE, POLYLINE, SPLINE, SOLID, TRACE,
// TEXT, MTEXT, POINT, INSERT of a block's lines) becomes a shape of one
// layer, "_dxf_" + the file's name, left visible and locked. The file's layer
// table only gives that layer its pen colour; blocks are collected so that
// INSERTs expand into lines.
//
// Conventions: world metres, x east, y north (the DXF x and y); angles in the
// file are degrees (ARC, TEXT, INSERT) or radians (ELLIPSE parameters).
// Bulged polyline segments are drawn as their arcs; the face records of a
// polyface mesh are passed over. Entities whose geometry comes out beyond
// the double range give no shape and are counted as skipped.
// Paper-space entities (67 = 1) are left out. Entities drawn in their object
// coordinate system with the extrusion (0, 0, -1) are mirrored into the
// world (x -> -x); other extrusions are left out. Texts and names are decoded
// as DxfDecodeText says; TEXT and MTEXT values lose their formatting codes
// (DxfStripMText). An MTEXT without a rotation (50) takes the angle of its
// direction vector (11, 21).
//
// Failures: a missing file, a file that cannot be read (not a regular file,
// larger than kDxfMaxFileBytes, no permission: "DXF load failed: " + path +
// " (" + why + ")"; a FIFO is refused at once), one cut off before its
// structure closes (the message "DXF load failed: the file ends inside the
// ENTITIES section", or "... ends after the HEADER section" for a cut
// between sections; only the EOF record may be missing), one with more
// pairs than DxfMaxPairs ("DXF load failed: the file holds N code/value
// pairs, more than the M that fit beside a file of its size"), one without
// an ENTITIES section ("DXF load failed: ENTITIES section not found"), or one
// whose entities give no shape (emptied, or only kinds not read: "DXF load
// failed: the ENTITIES section holds nothing to draw") returns false and
// leaves the canvas as it was, also an earlier import of the same file.
// Messages go through the dialogs seam, one per failed import. More than
// kDxfMaxShapes shapes stop the import: the shapes made stay, the result is
// false.
// GUI thread only.
#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

#include "canvas/CanvasModel.h"

inline constexpr long long kDxfMaxShapes = 10'000'000;

// The reader keeps the whole file and, beside it, every (code, value) pair of
// it: a 24-byte record for what is most often 8 to 12 bytes of file, about
// 2.5 bytes held per byte read. The file is capped for that, within the 1 GiB
// that a drawing's load may take: 1 + 2.5 = 7 / 2. Pairs can be as short as
// two bytes (12 held per byte read), so the pairs are counted before any is
// kept, and a file with more than DxfMaxPairs is refused: the file and its
// pairs never take more than kDxfMemoryBytes.
inline constexpr std::size_t kDxfMemoryBytes = std::size_t{1} << 30;
inline constexpr std::size_t kDxfMaxFileBytes = kDxfMemoryBytes / 7 * 2;

// The most pairs a file of `fileBytes` may hold: those whose records fit in
// what kDxfMemoryBytes leaves beside the file.
std::size_t DxfMaxPairs(std::size_t fileBytes);

struct DxfImportResult {
    bool imported = false;  // at least one shape was made (and the limit not hit)
    bool read = false;      // the entities gave a shape (the view then zoomed to the extents)
    long long shapes = 0;   // shapes made
    long long skipped = 0;  // entities left out for values beyond the double range
};

// Reads the file by its UTF-8 path. The import layer is cleared (or created)
// and the model's block table replaced by this file's blocks only after the
// file was read and its entities found to give a shape; the view then zooms
// to the extents of the drawing and the canvas is redrawn. The block table
// and the import layer id are the model's (FindBlock, GetImportLayer).
DxfImportResult LoadDxfFile(TCanvasModel& model, const QString& fileName);

// The same from bytes in memory, into the layer `layerName`.
DxfImportResult LoadDxfBytes(TCanvasModel& model, std::string_view bytes, const QString& layerName);
