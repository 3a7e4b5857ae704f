// The conversions between WGS84 and the grid in use for the KML/KMZ export
// and import: the datum chain between WGS84 and the local datum, then
// Transverse Mercator or, when the device settings select it, Lambert.
//
// The parameters come as one snapshot of the device settings window (its
// texts as typed), taken by the caller at each conversion. Transverse
// Mercator goes through the geodesy's parameter texts, as the map tick's
// texts are built: the position enters with 10 decimals, the grid result
// leaves with 4 (forward); the grid enters with 4 decimals (inverse).
// Lambert is computed here on its own parameter set: the process-wide
// Lambert set of the map tick is the same after a call as before it.
//
// Units: latitude and longitude in decimal degrees (north and east
// positive), easting x and northing y in metres; heights are 0.
// Failure: a parameter text that is not a number, an invalid ellipsoid or
// set, a point the projection cannot take: false, out values untouched.
#pragma once

#include "devices/DeviceSettingsFile.h"

// True when the edits the KML commands need are filled: the semi-major axis
// and the central meridian of the projection in use (edCM, or eLCCM under
// Lambert).
bool KmlDatumConfigured(const DeviceSettingsValues& values);

bool KmlGeographicToGrid(const DeviceSettingsValues& values, double latitudeDeg,
                         double longitudeDeg, double& x, double& y);

bool KmlGridToGeographic(const DeviceSettingsValues& values, double x, double y,
                         double& latitudeDeg, double& longitudeDeg);
