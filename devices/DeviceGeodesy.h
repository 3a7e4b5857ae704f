// The geodetic parameters of the device settings as the projection needs
// them: the three parameter texts the map tick builds from the window's
// edits (datum, ellipsoid, Transverse Mercator), and the same parameters as
// one typed grid system, parsed once, for callers that project many points.
//
// The datum text is the WGS 84 set with seven zero parameters, then the
// target set (a, f, scale ppm, rx, ry, rz arc-seconds, tx, ty, tz m), each
// edit's text as typed, joined by blanks. Lambert angles are degrees in the
// edits and radians in the typed system.
#pragma once

#include <optional>
#include <string>

#include "devices/DeviceSettingsFile.h"
#include "geodesy/Datum.h"
#include "geodesy/LambertConformalConic.h"
#include "geodesy/TransverseMercator.h"

struct GeodeticTexts {
    std::string Datum;      // 18 numbers
    std::string Ellipsoid;  // "6378137.0 0.0033528106647474 " + a + " " + f
    std::string TM;         // central meridian, reference latitude, k0, FE, FN
};

GeodeticTexts BuildGeodeticTexts(const DeviceSettingsValues& values);

struct DeviceGridSystem {
    geodesy::DatumSet source;  // WGS 84, no shift
    geodesy::DatumSet target;  // the local datum
    bool lambert = false;      // cbUseLCCProjection: Lambert instead of Transverse Mercator
    bool lambertOneParallel = false;
    geodesy::TMParameters tm;         // when not Lambert
    geodesy::Lambert1SPSet lambert1;  // when Lambert with one parallel (radians)
    geodesy::Lambert2SPSet lambert2;  // when Lambert with two parallels (radians)
};

// The typed system, or std::nullopt with `why` set when a text it needs is
// not exactly its numbers (the whole system is refused, never half of it).
std::optional<DeviceGridSystem> BuildGridSystem(const DeviceSettingsValues& values,
                                                std::string* why = nullptr);
