// The survey's conversion between WGS 84 and the grid as the canvas's
// satellite background needs it, in both directions: WGS 84 -> datum shift
// into the local datum -> Transverse Mercator or Lambert (one or two
// parallels) as the device settings select, and back. Heights are taken as
// 0 through the datum chain, as the map tick does.
//
// The Lambert module keeps one process-wide parameter set; each conversion
// installs this system's set and puts the previous state back, so the map
// tick's set is never disturbed. GUI thread only.
#pragma once

#include "canvas/MapProjection.h"
#include "devices/DeviceGeodesy.h"

// Functions that fail (return false) for every point when the system's
// ellipsoids, datum sets or projection parameters are refused.
TMapProjection MakeMapProjection(const DeviceGridSystem& system);
