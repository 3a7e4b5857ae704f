// The survey's conversion between WGS 84 and the grid, in both directions:
// WGS 84 -> datum shift into the local datum -> Transverse Mercator or
// Lambert (one or two parallels) as the device settings select, and back.
// Heights are taken as 0 through the datum chain, as the map tick does; a
// system whose local datum is WGS 84 itself (the same ellipsoid, no shift)
// skips the chain, which would only give each position back.
//
// A conversion is made once from a grid system (its datum shifts and its
// projection built then) and is constant afterwards: it reads no settings
// and no process-wide state (the Lambert conic holds its own parameter
// set), so one conversion may run on any thread, and the map tick's Lambert
// set is never disturbed.
#pragma once

#include <optional>

#include "canvas/MapProjection.h"
#include "devices/DeviceGeodesy.h"

class SurveyGridConversion {
  public:
    explicit SurveyGridConversion(const DeviceGridSystem& system);

    // False for every point when the system's ellipsoids, datum sets or
    // projection parameters are refused.
    bool IsValid() const;

    // WGS 84 to the local datum (at height 0 unless one is given); std::nullopt
    // when the chain fails.
    std::optional<geodesy::Geodetic> ToLocal(double latitudeDeg, double longitudeDeg,
                                             double heightM = 0) const;
    // A local-datum position to grid easting and northing.
    bool LocalToGrid(const geodesy::Geodetic& local, double& easting, double& northing) const;
    // Both steps.
    bool ToGrid(double latitudeDeg, double longitudeDeg, double& easting, double& northing) const;
    // Grid to WGS 84.
    bool ToGeographic(double easting, double northing, double& latitudeDeg,
                      double& longitudeDeg) const;

    const DeviceGridSystem& System() const { return system_; }
    // The conic in use; null under Transverse Mercator or for a refused set.
    const geodesy::LambertConic* Conic() const { return conic_ ? &*conic_ : nullptr; }

  private:
    DeviceGridSystem system_;
    std::optional<geodesy::DatumShift> toLocal_, toWgs84_;
    std::optional<geodesy::TransverseMercator> tm_;
    std::optional<geodesy::LambertConic> conic_;
    bool identity_ = false;  // no datum shift: the chain is skipped
};

// Functions that fail (return false) for every point when the system's
// ellipsoids, datum sets or projection parameters are refused.
TMapProjection MakeMapProjection(const DeviceGridSystem& system);
