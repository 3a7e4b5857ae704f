// The KML reader on arbitrary bytes: as KML text, as a coordinates text, as
// a KMZ archive in memory (its main entry and its linked layers) and as a
// link's target. It must never crash; every coordinate it keeps is a finite
// longitude and latitude, every placemark it keeps has a coordinate, and a
// refused text keeps nothing and says why.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "navigation/PlacemarkReader.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckResult(const TPlacemarkReader& reader, bool any) {
    Check(any == !reader.FPlacemarks.empty());
    Check(any == reader.FLastError.empty());
    for (const TPlacemark& p : reader.FPlacemarks) {
        Check(!p.Geometries.empty());
        for (const TPlacemarkGeometry& g : p.Geometries) {
            Check(!g.Coords.empty());
            for (const TPlacemarkCoord& c : g.Coords)
                Check(std::isfinite(c.Latitude) && std::isfinite(c.Longitude));
        }
    }
    const std::string summary = reader.NotReadSummary();
    Check(summary.empty() == (reader.NotReadCount() == 0));
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
    CheckResult(reader, reader.ParseKml(KmlBytesToText(bytes)));
    std::vector<TPlacemarkCoord> coords;
    reader.ParseCoordinates(bytes, coords);
    for (const TPlacemarkCoord& c : coords) Check(c.Longitude != 0 || c.Latitude != 0);

    const std::string kml = reader.ExtractKmzBytes(bytes);
    Check(kml.empty() != reader.FLastError.empty());
    CheckResult(reader, reader.LoadKmzBytes(bytes));

    const size_t half = bytes.size() / 2;
    const std::string target = KmzLinkTarget(bytes.substr(0, half), bytes.substr(half));
    // Within the archive: no empty, "." or ".." step.
    for (size_t at = 0; !target.empty() && at <= target.size();) {
        size_t end = target.find('/', at);
        if (end == std::string::npos) end = target.size();
        const std::string step = target.substr(at, end - at);
        Check(!step.empty() && step != "." && step != "..");
        at = end + 1;
    }
    return 0;
}
