// The KML document of the map canvas: its lines, line strings, points and
// texts, its soundings and the vessel, turned from grid coordinates into
// WGS84 longitude and latitude by the caller's conversion. One flat
// Document: six shared styles, then the placemarks; one element or element
// group per line, CR LF line ends, UTF-8 with a byte-order mark.
//
// Lines and line strings are named "Track_" + n, points "Point_" + n, one
// counter n from 0 for all three; texts carry their own text, soundings their
// depth ("12.35m"). A closed shape of three or more vertices (a polygon) is
// a Polygon whose ring repeats its first vertex at the end, styled inline
// with its layer's line colour and no fill. Shapes of the vessel and grid
// layers are left out, and so are shapes without a vertex list (circles,
// ellipses, arcs), line strings of fewer than two vertices and texts of
// nothing but blanks (a placemark without a name). A shape, sounding or vessel with a point the
// conversion refuses is left out whole, uncounted, and counted as skipped.
// Names are escaped (& < >) and their control characters become blanks.
//
// A ".kmz" is a ZIP archive whose entry "doc.kml" holds the KML bytes.
// Both writers put the file in place by a rename from beside the target:
// on failure the old file is untouched and nothing stray is left.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class TCanvasModel;

// (grid x, grid y, out latitude, out longitude); false when it cannot.
using KmlGridToGeographicFn = std::function<bool(double, double, double&, double&)>;

struct KmlDocument {
    std::string bytes;  // the whole file
    int tracks = 0;     // the Track_/Point_ counter at the end
    int soundings = 0;  // sounding placemarks written
    int skipped = 0;    // shapes, soundings and the vessel left out for a failed conversion
};

// `documentName`: the file name without its folder (UTF-8). The vessel at
// exactly (0, 0) is not written.
KmlDocument BuildKmlDocument(const TCanvasModel& model, const std::string& documentName,
                             const KmlGridToGeographicFn& toGeographic, double vesselEasting,
                             double vesselNorthing);

// "lon,lat,0", both in fixed notation with 8 decimals.
std::string KmlCoordinate(double latitudeDeg, double longitudeDeg);

// & < > as entities, control characters as blanks.
std::string KmlEscape(std::string_view text);

bool WriteKmlFile(const std::string& path, std::string_view bytes);
bool WriteKmzFile(const std::string& path, std::string_view kmlBytes);
