// The placemarks of a KML file or a KMZ archive: points, line strings and
// polygons (outer boundary only) with their WGS84 coordinates, and the grid
// coordinates a caller's projection gives each vertex. Not an XML parser:
// fixed tag texts are found by plain substring search, in one linear scan.
// A "<Placemark" start tag with attributes is not found.
//
// Units: latitude and longitude in degrees, altitude in metres as written;
// X, Y grid easting and northing in metres from FOnProject (0 until then).
// Texts are UTF-8. A UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects
// the encoding of a KML file; without one it goes through the text codec.
//
// A KMZ archive is read in memory (libzip): the entry "doc.kml" in any case,
// else the first top-level ".kml" entry in case-insensitive name order; an
// entry is read only up to kKmzMaxEntryBytes. Nothing is written to disk.
// Files are read through platform::ReadRegularFile: a KML file of at most
// kKmzMaxEntryBytes, a KMZ archive of at most twice that; a FIFO is refused
// at once. Errors go to FLastError (never shown here):
//   "File not found: " + path, path + " (" + why it was not read + ")",
//   "No KML file found in KMZ archive" (no archive, no entry),
//   "Failed to read extracted KML file" (read error, encrypted, too large),
//   "Empty KML content".
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "canvas/PlovanShape.h"

struct TPlacemarkCoord {
    double Latitude = 0, Longitude = 0, Altitude = 0;
    double X = 0, Y = 0;
};

struct TPlacemarkGeometry {
    int Type = 0;  // 0 point, 1 line string, 2 polygon
    std::vector<TPlacemarkCoord> Coords;
};

struct TPlacemark {
    std::string Name, Description;
    std::vector<TPlacemarkGeometry> Geometries;
};

// (latitude, longitude, out X, out Y)
using TPlacemarkProjection = std::function<void(double, double, double&, double&)>;

inline constexpr std::size_t kKmzMaxEntryBytes = std::size_t{512} << 20;

class TPlacemarkReader {
  public:
    TPlacemarkReader() = default;
    ~TPlacemarkReader() { CleanupTemp(); }

    // True when at least one placemark was read.
    bool LoadFromFile(const std::string& path);
    // The KML text of a KMZ archive file; empty with FLastError set.
    std::string ExtractKmz(const std::string& path);
    // The same from the archive's bytes.
    std::string ExtractKmzBytes(std::string_view archive);
    // Nothing is extracted to disk, so there is never a folder to remove.
    void CleanupTemp() { FTempDir.clear(); }
    bool ParseKml(std::string_view text);
    void ParseGeometries(std::string_view body, TPlacemark& placemark);
    // Appends the tuples of a <coordinates> text: tuples are separated by
    // any white space; "lon,lat[,alt]"; a tuple whose longitude or latitude
    // is not a finite number, or whose both are 0, is dropped; an altitude
    // that is no number reads 0.
    void ParseCoordinates(std::string_view text, std::vector<TPlacemarkCoord>& target);
    void ProjectAll();

    std::vector<TPlacemarkCoord> GetPoints() const;
    std::vector<std::vector<TPlacemarkCoord>> GetLines() const;
    std::vector<TPointD> GetProjectedPoints() const;
    std::vector<std::vector<TPointD>> GetProjectedLines() const;

    std::string FLastError;
    std::string FTempDir;  // always empty: KMZ archives are read in memory
    TPlacemarkProjection FOnProject;
    std::vector<TPlacemark> FPlacemarks;
};

// KML text decoded: "&amp;" "&lt;" "&gt;" "&quot;" "&apos;", "&#NN;" and
// "&#xHH;" as characters, CDATA sections as their content.
std::string KmlDecodeText(std::string_view text);

// File bytes as UTF-8 text: a byte-order mark selects UTF-8, UTF-16 LE or
// UTF-16 BE (and is dropped); otherwise the text codec decides.
std::string KmlBytesToText(std::string_view bytes);
