// The device settings of a WGS84 survey in UTM zone 35 north (central
// meridian 27°, no datum shift): the projection tests and benchmarks share it.
#pragma once

#include "devices/DeviceSettingsFile.h"

namespace phxtest {

inline DeviceSettingsValues Utm35Settings() {
    DeviceSettingsValues v;
    v.SemiMajorAxis = "6378137.0";
    v.Flattening = "0.0033528106647474";
    v.ScalePPM = v.XRotation = v.YRotation = v.ZRotation = "0";
    v.XShift = v.YShift = v.ZShift = "0";
    v.CentralMeridian = "27";
    v.ReferenceLatitude = "0";
    v.ScaleFactor = "0.9996";
    v.FalseEasting = "500000";
    v.FalseNorthing = "0";
    return v;
}

}  // namespace phxtest
