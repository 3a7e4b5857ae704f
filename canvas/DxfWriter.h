// R12 ASCII DXF export of the canvas drawing ($ACADVER "AC1009"): a header
// with the view extents, a layer table with one entry per layer the shapes
// use (colour 7, CONTINUOUS) and one entity per visible shape: rectangles and
// polylines as POLYLINE/VERTEX/SEQEND, lines as LINE, texts as TEXT, points as
// POINT, circles and ellipses as CIRCLE (an ellipse by the mean of its half
// axes). Splines, three-point arcs and polylines without vertices give
// nothing.
//
// Form: pairs of lines ending in CR LF; reals with six decimals ("0.0" for the
// fixed zeros), polyline vertices included. R12 has no
// UTF-8 form, so the file is Windows-1254, declared by $DWGCODEPAGE
// "ANSI_1254"; characters the code page lacks are written "\U+XXXX". Control
// characters in names and texts become blanks (a line break would shift every
// later pair), and the characters CAD refuses in layer names
// (< > / \ " : ; ? * | = `) become "_". Layers whose names come out the same
// (case aside) get distinct ones: the first keeps it, later ones take the
// lowest free suffix "_2", "_3" ...
#pragma once

#include <QString>
#include <string>

#include "canvas/CanvasModel.h"

// The whole file's bytes.
std::string DxfExportText(const TCanvasModel& model);

// Writes the file by its UTF-8 path through a temporary file and a rename:
// true when it is in place; false when it could not be written (an older file
// of that name is then untouched and nothing stray is left). The drawing is
// not changed.
bool ExportDXF(const TCanvasModel& model, const QString& fileName);

// A name or text as the file holds it (Windows-1254, escapes, blanks for
// control characters); `layerName` also replaces the refused characters.
std::string DxfExportName(const QString& text, bool layerName);
