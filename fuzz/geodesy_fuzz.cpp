// The geodesy's text functions on arbitrary parameter texts: they must never
// crash, and a result that is not the failure text must hold exactly its
// count of finite numbers. The input's lines are the position text, the datum
// text, the TM parameter text and the ellipsoid text; its first bytes are
// also taken as Lambert parameters.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "geodesy/DatumText.h"
#include "geodesy/LambertConformalConic.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"

namespace {

void ExpectNumbers(const std::string& result, size_t count) {
    if (result == "0" || result.empty()) return;
    std::vector<double> v(count);
    if (!geodesy::ReadExactly(result, v)) std::abort();
    for (double x : v)
        if (!std::isfinite(x)) std::abort();
}

void ExpectLambert(int bits, double a, double b) {
    if (bits == 0 && (!std::isfinite(a) || !std::isfinite(b))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t start = 0;
    while (lines.size() < 4) {
        const size_t end = input.find('\n', start);
        lines.push_back(
            input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    lines.resize(4);
    const std::string& position = lines[0];
    const std::string& datum = lines[1];
    const std::string& tm = lines[2];
    const std::string& ellipsoid = lines[3];

    using namespace geodesy;
    ExpectNumbers(GeoTransform("BLH", position, datum), 3);
    ExpectNumbers(GeoTransform("XYZ", position, datum), 3);
    ExpectNumbers(GeoHelmert("WGS", position + " " + datum), 3);
    ExpectNumbers(GeoHelmert("Local", position + " " + datum), 3);
    ExpectNumbers(TransverseMercatorFromText(position, tm, ellipsoid), 2);
    ExpectNumbers(GeoProject(position, tm, ellipsoid), 2);
    ExpectNumbers(GeographicToGrid(position, datum, tm, ellipsoid), 2);
    ExpectNumbers(GridToGeographic(position, datum, tm, ellipsoid), 2);

    double p[10] = {};
    std::memcpy(p, data, std::min(size, sizeof p));
    (void)TMConvergenceOrScale("GrdConv", p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]);
    (void)TMConvergenceOrScale("PtScFac", p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]);
    ExpectNumbers(GeoXyzToBlh(p[0], p[1], p[2], p[3], p[4]), 3);

    ResetLambert();
    double e = 0, n = 0, lat = 0, lon = 0;
    SetLambert1SPParameters(p[0], p[1], p[2], p[3], p[4], p[5], p[6]);
    ExpectLambert(GeodeticToLambert1SP(p[7], p[8], e, n), e, n);
    ExpectLambert(Lambert1SPToGeodetic(p[8], p[9], lat, lon), lat, lon);
    SetLambert2SPParameters(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
    ExpectLambert(GeodeticToLambert2SP(p[8], p[9], e, n), e, n);
    ExpectLambert(Lambert2SPToGeodetic(p[8], p[9], lat, lon), lat, lon);
    return 0;
}
