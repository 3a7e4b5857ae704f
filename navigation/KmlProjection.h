// The conversions between WGS84 and the grid in use for the KML/KMZ export
// and import: the datum chain between WGS84 and the local datum, then
// Transverse Mercator or, when the device settings select it, Lambert.
//
// A KmlGridProjection is made once per command from the device settings'
// typed grid system (every parameter text parsed then) and is constant
// afterwards, so an import may convert on a worker thread; it never touches
// the map tick's process-wide Lambert set.
//
// Into the grid, only points the projection is meant for are converted:
//   Transverse Mercator: at most kTMStatedRangeDeg of longitude from the
//     central meridian (in the local datum), where its series keep their
//     stated accuracy;
//   Lambert: what the conic itself refuses (beyond the poles or the longitude
//     range, the far pole), and points more than 90 degrees of longitude from
//     the central meridian or across the equator from the cone's apex, where
//     a conic of a survey zone has no meaning.
// A point outside is refused like one the projection cannot convert.
//
// Units: latitude and longitude in decimal degrees (north and east
// positive), easting x and northing y in metres; heights are 0.
// Failure: false, out values untouched.
#pragma once

#include <optional>
#include <string>

#include "devices/DeviceSettingsFile.h"
#include "devices/SurveyProjection.h"

// True when the edits the KML commands need are filled: the semi-major axis
// and the central meridian of the projection in use (edCM, or eLCCM under
// Lambert).
bool KmlDatumConfigured(const DeviceSettingsValues& values);

class KmlGridProjection {
  public:
    explicit KmlGridProjection(const DeviceGridSystem& system) : conversion_(system) {}

    // The projection of the settings, or std::nullopt with `why` set when a
    // text it needs is not a number or its parameters are refused.
    static std::optional<KmlGridProjection> FromSettings(const DeviceSettingsValues& values,
                                                         std::string* why = nullptr);

    bool IsValid() const { return conversion_.IsValid(); }
    bool ToGrid(double latitudeDeg, double longitudeDeg, double& x, double& y) const;
    bool ToGeographic(double x, double y, double& latitudeDeg, double& longitudeDeg) const;

  private:
    bool WithinStatedRange(const geodesy::Geodetic& local) const;
    SurveyGridConversion conversion_;
};

// One conversion with the settings as they stand (parsed at each call).
bool KmlGeographicToGrid(const DeviceSettingsValues& values, double latitudeDeg,
                         double longitudeDeg, double& x, double& y);

bool KmlGridToGeographic(const DeviceSettingsValues& values, double x, double y,
                         double& latitudeDeg, double& longitudeDeg);
