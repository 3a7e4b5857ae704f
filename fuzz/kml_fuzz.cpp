// The KML reader on arbitrary bytes: as KML text, as a coordinates text and
// as a KMZ archive in memory. It must never crash, and every coordinate it
// keeps is a finite longitude and latitude.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "navigation/PlacemarkReader.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TPlacemarkReader reader;
    int projected = 0;
    reader.FOnProject = [&](double lat, double lon, double& x, double& y) {
        Check(std::isfinite(lat) && std::isfinite(lon));
        x = lon, y = lat;
        ++projected;
    };
    const bool any = reader.ParseKml(KmlBytesToText(bytes));
    Check(any == !reader.FPlacemarks.empty());
    for (const TPlacemark& p : reader.FPlacemarks) {
        Check(!p.Geometries.empty());
        for (const TPlacemarkGeometry& g : p.Geometries) Check(!g.Coords.empty());
    }
    std::vector<TPlacemarkCoord> coords;
    reader.ParseCoordinates(bytes, coords);
    for (const TPlacemarkCoord& c : coords) Check(c.Longitude != 0 || c.Latitude != 0);

    const std::string kml = reader.ExtractKmzBytes(bytes);
    Check(kml.empty() != reader.FLastError.empty());
    if (!kml.empty()) reader.ParseKml(kml);
    return 0;
}
