// The survey's own conversion between WGS 84 positions and the canvas's
// world (grid easting and northing, metres): the datum chain, then the
// projection in use. The canvas asks its owner for it at each background
// drawing, so it always follows the geodetic settings as they stand. Each
// function returns false when it has no finite answer.
#pragma once

#include <functional>

struct TMapProjection {
    std::function<bool(double latitudeDeg, double longitudeDeg, double& easting, double& northing)>
        ToWorld;
    std::function<bool(double easting, double northing, double& latitudeDeg, double& longitudeDeg)>
        ToGeographic;

    explicit operator bool() const { return ToWorld && ToGeographic; }
};
