// The placemarks of a KML file or a KMZ archive: points, line strings,
// polygons (outer boundary only) and bare linear rings with their WGS84
// coordinates, and the grid coordinates a caller's projection gives each
// vertex.
//
// Not a validating XML parser, but a single pass over the markup: start tags
// may carry attributes (<Placemark id="p1">) and any namespace prefix
// (<kml:Placemark>), elements are known by their local names, comments,
// CDATA sections, declarations and processing instructions are passed over,
// and placemarks are found at any depth (Folders, nested Documents), with
// the geometries of a MultiGeometry each read. An end tag closes the
// nearest open element of its name (elements left open inside it, such as
// HTML in a description, close with it); a stray end tag is ignored. Only a
// placemark's own <name> and <description> are taken.
//
// Placemarks that give no point, line or polygon are not read and are
// counted with their reason: "gx:Track", "gx:MultiTrack", "Model" (kinds
// this reader does not take), "no coordinates" or "no geometry".
//
// A text that ends before its markup closes (a tag, comment or CDATA cut
// short, or an element still open at the end) is refused whole, with the
// reason in FLastError and no placemark kept.
//
// Units: latitude and longitude in degrees, altitude in metres as written;
// X, Y grid easting and northing in metres from FOnProject (0 until then).
// Texts are UTF-8. A UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects
// the encoding of a KML file; without one it goes through the text codec.
//
// A KMZ archive is read in memory (libzip): the entry "doc.kml" in any case,
// else the first top-level ".kml" entry in case-insensitive name order; the
// archive's KML files that it links by a relative <href> of a NetworkLink
// (as GDAL's LIBKML driver writes "layers/<layer>.kml") are read with it.
// An entry is read only up to kKmzMaxEntryBytes, and all entries together
// too. Nothing is written to disk. Files are read through
// platform::ReadRegularFile: a KML file of at most kKmzMaxEntryBytes, a KMZ
// archive of at most twice that; a FIFO is refused at once.
// Errors go to FLastError (never shown here):
//   "File not found: " + path, path + " (" + why it was not read + ")",
//   "No KML file found in KMZ archive" (no archive, no entry),
//   "Failed to read extracted KML file" (read error, encrypted, too large),
//   "Empty KML content", the truncation reasons, "Cancelled",
//   kNoPlacemarkError followed by NotReadSummary().
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "canvas/PlovanShape.h"

struct TPlacemarkCoord {
    double Latitude = 0, Longitude = 0, Altitude = 0;
    double X = 0, Y = 0;
};

// Geometry types.
inline constexpr int kPlacemarkPoint = 0;
inline constexpr int kPlacemarkLineString = 1;
inline constexpr int kPlacemarkPolygon = 2;  // a polygon's outer ring, or a bare linear ring

struct TPlacemarkGeometry {
    int Type = kPlacemarkPoint;
    std::vector<TPlacemarkCoord> Coords;
};

struct TPlacemark {
    std::string Name, Description;
    // Points first, then line strings, then polygons, each in file order.
    std::vector<TPlacemarkGeometry> Geometries;
};

// (latitude, longitude, out X, out Y)
using TPlacemarkProjection = std::function<void(double, double, double&, double&)>;
// (bytes of the text passed, the text's size); false stops the load.
using TPlacemarkProgress = std::function<bool(std::size_t, std::size_t)>;

inline constexpr std::size_t kKmzMaxEntryBytes = std::size_t{512} << 20;
// The most KML files a KMZ's links bring in.
inline constexpr int kKmzMaxLinkedFiles = 256;

inline constexpr const char* kNoPlacemarkError = "No point, line or polygon placemark found";

class TPlacemarkReader {
  public:
    TPlacemarkReader() = default;
    ~TPlacemarkReader() { CleanupTemp(); }

    // True when at least one placemark was read.
    bool LoadFromFile(const std::string& path);
    // LoadFromFile of a KMZ archive's bytes.
    bool LoadKmzBytes(std::string_view archive);
    // The main KML text of a KMZ archive file; empty with FLastError set.
    std::string ExtractKmz(const std::string& path);
    // The same from the archive's bytes.
    std::string ExtractKmzBytes(std::string_view archive);
    // Nothing is extracted to disk, so there is never a folder to remove.
    void CleanupTemp() { FTempDir.clear(); }
    // One KML text in place of the last load.
    bool ParseKml(std::string_view text);
    // Appends the tuples of a <coordinates> text. Tuples are separated by
    // white space; within a tuple "lon,lat[,alt]" the commas may have blanks
    // around them ("27.1, 40.2"). A tuple whose longitude or latitude is not
    // a finite number, or whose both are 0, is dropped; an altitude that is
    // no number, and the altitude of a tuple of four or more values, read 0.
    void ParseCoordinates(std::string_view text, std::vector<TPlacemarkCoord>& target);
    void ProjectAll();

    std::vector<TPlacemarkCoord> GetPoints() const;
    std::vector<std::vector<TPlacemarkCoord>> GetLines() const;
    std::vector<TPointD> GetProjectedPoints() const;
    std::vector<std::vector<TPointD>> GetProjectedLines() const;

    // Placemarks of the last load that were not read.
    int NotReadCount() const;
    // " (n placemarks not read: reason, reason)" in the order the reasons
    // first came, or "" when every placemark was read.
    std::string NotReadSummary() const;

    std::string FLastError;
    std::string FTempDir;  // always empty: KMZ archives are read in memory
    TPlacemarkProjection FOnProject;
    TPlacemarkProgress FOnProgress;
    std::vector<TPlacemark> FPlacemarks;
    std::vector<std::pair<std::string, int>> FNotRead;  // reason, placemarks

  private:
    // Appends the placemarks of one text, and the hrefs of its network links
    // to `links`; false with FLastError set when the text is refused.
    bool ParseInto(std::string_view text, std::vector<std::string>* links);
    bool Finish(bool parsed);
    bool LoadKmz(const std::string& path);
};

// KML text decoded: "&amp;" "&lt;" "&gt;" "&quot;" "&apos;", "&#NN;" and
// "&#xHH;" as characters, CDATA sections as their content.
std::string KmlDecodeText(std::string_view text);

// File bytes as UTF-8 text: a byte-order mark selects UTF-8, UTF-16 LE or
// UTF-16 BE (and is dropped); otherwise the text codec decides.
std::string KmlBytesToText(std::string_view bytes);

// A link's target inside a KMZ archive: `href` (percent-escapes decoded, a
// "#" or "?" tail dropped) taken relative to the folder of the entry
// `from`, with "." and ".." resolved; "" when it leaves the archive, is
// absolute or carries a scheme ("http:", "file:").
std::string KmzLinkTarget(std::string_view from, std::string_view href);
