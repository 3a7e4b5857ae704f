// The survey loop's own readings on arbitrary bytes. The first byte picks
// the part:
//   even: GNSS lines (the rest, cut at line feeds) through ApplyGnssLine with
//         the context the byte's bits give, and through GgaCarriesFix. The
//         values kept must stay usable: a finite speed of 0 or more, finite
//         heading and heights; a fix only from a GGA line.
//   odd:  a geodetic set (the rest's lines are the device settings' edits in
//         the window's order, the byte's bits the projection switches),
//         checked and cached; a set that passes projects positions (taken
//         from the same lines) to finite grid values or to nothing, and a
//         refused one always says why.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceSettingsFile.h"
#include "foundation/SurveyState.h"
#include "navigation/GnssSentences.h"
#include "navigation/SurveyGrid.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

void GnssLines(uint8_t bits, std::string_view text) {
    SurveyState state;
    state.RealtimeStartTick = 1;
    GnssLineContext context;
    context.mapTickEnabled = bits & 2;
    context.offsetsHidden = bits & 4;
    context.offsets = {0.5, 1500, 1.5, 0.2};
    context.positionFresh = bits & 8;
    for (const std::string& line : Lines(text)) {
        context.corrupt = line.size() % 7 == 3 && (bits & 16);
        context.readerFixQuality = static_cast<int>(line.size() % 10);
        const GnssLineEffects effects = ApplyGnssLine(state, line, context);
        const bool fix = GgaCarriesFix(line, context.readerFixQuality);
        Check(!fix || line.find("GGA") != std::string::npos);
        Check(!effects.fixArrived || fix);
        Check(std::isfinite(state.SpeedKnots) && state.SpeedKnots >= 0);
        Check(std::isfinite(state.GyroHeading));
        Check(std::isfinite(state.RtkAntennaHeight) && std::isfinite(state.RtkTide));
    }
}

void GeodeticSet(uint8_t bits, std::string_view text) {
    std::vector<std::string> lines = Lines(text);
    lines.resize(21);
    DeviceSettingsValues v;
    std::string* edits[] = {&v.SemiMajorAxis, &v.Flattening,        &v.XRotation,   &v.YRotation,
                            &v.ZRotation,     &v.XShift,            &v.YShift,      &v.ZShift,
                            &v.ScalePPM,      &v.CentralMeridian,   &v.ReferenceLatitude,
                            &v.ScaleFactor,   &v.FalseEasting,      &v.FalseNorthing,
                            &v.LCCSP1,        &v.LCCSP2,            &v.LCCSF,       &v.LCCCP,
                            &v.LCCM,          &v.LCCFE,             &v.LCCFN};
    for (size_t i = 0; i < lines.size(); ++i) *edits[i] = lines[i];
    v.UseLCCProjection = bits & 2;
    v.Lambert1 = bits & 4;
    const std::string refusal = GeodeticSetRefusal(v);
    SurveyState s;
    std::string why;
    const bool cached = CacheGeodesy(s.MapTick, v, &why);
    Check(cached == (s.MapTick.Projection != nullptr));
    Check(cached != s.MapTick.GeodesyRefused);
    Check(cached || !why.empty());
    Check(refusal.empty() || !cached);
    if (!cached) return;
    // Positions: each line's leading bytes as a latitude and longitude.
    for (const std::string& line : lines) {
        if (line.size() < 2) continue;
        s.GnssLatitude = (static_cast<uint8_t>(line[0]) - 128) * 0.75;
        s.GnssLongitude = (static_cast<uint8_t>(line[1]) - 128) * 1.5;
        s.GnssHeight = static_cast<double>(line.size());
        if (const std::optional<GridFix> grid = GridOfLatestFix(s))
            Check(std::isfinite(grid->easting) && std::isfinite(grid->northing) &&
                  std::isfinite(grid->convergence));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1)
        GeodeticSet(data[0], rest);
    else
        GnssLines(data[0], rest);
    return 0;
}
