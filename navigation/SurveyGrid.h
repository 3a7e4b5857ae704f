// The survey's geodetic set as the map tick, the sounding rows and the event
// marks share it: read from the device settings at each Start, checked edit
// by edit against what the geodesy accepts, and, when it passes, one
// projection of WGS 84 fixes into the grid (datum shift, then Transverse
// Mercator or Lambert with one or two parallels) that holds until the next
// Start. A refused set is named once and leaves no projection at all.
//
// The conversion is the survey's one (devices/SurveyProjection.h), so the map,
// the rows, the marks and the satellite background agree. Transverse
// Mercator projects the shifted position at height 0 and gives
// its convergence at the WGS 84 position; Lambert shifts the position with
// its GGA height and gives n (dlon) at the local one. Both convergences are
// negative east of the central meridian in the north (grid heading =
// heading + convergence).
#pragma once

#include <optional>
#include <string>

#include "foundation/SurveyState.h"

struct DeviceSettingsValues;

// Why the set cannot be used, naming the first edit that stops it as the
// device settings window captions it ("Flattening \"298.257\" must lie
// between 0 and 0.1 ..."); empty when the set can be used. Only the edits
// of the projection chosen are looked at.
std::string GeodeticSetRefusal(const DeviceSettingsValues& values);

// Reads the set into the memory: a projection when it passes (true), else
// none and the memory marked refused (false, `why` set), and the ellipsoid
// and Transverse Mercator texts into g_EllipsoidParamsText and
// g_TMParamsText.
bool CacheGeodesy(MapTickMemory& memory, const DeviceSettingsValues& values, std::string* why);
// The next read takes the set anew and the next fix is projected anew.
void DropGeodesyCache(MapTickMemory& memory);

// The grid position of the state's latest fix (GnssLatitude, GnssLongitude,
// GnssHeight) with the set in force; std::nullopt without a set, without a
// position (exactly 0 N 0 E) or when the fix does not convert.
std::optional<GridFix> GridOfLatestFix(const SurveyState& state);
