// The vessel symbol's numbers without their window: the values the map tick
// reads (VesselShapeValues) and the settings section "VESSEL_SHAPE", whose
// key names are spelled as the settings files have always spelled them.
//
// Lengths are metres on the map: circle i (0 .. count - 1) has the radius
// Radius + i * Interval; the arrow's tip lies Bow ahead of the position
// along the heading, its side corners Side to either side. Nothing here
// throws.
#pragma once

#include <string>

#include "tools/LiveValue.h"

namespace platform {
class IniFile;
}

namespace tools {

struct VesselShapeValues {
    LiveValue Radius{0, 1.7976931348623157e308};    // edRadious
    LiveValue Interval{0, 1.7976931348623157e308};  // edInterval
    LiveValue Circles{0, 2147483647.0, true};       // edAmount
    LiveValue Side{0, 1.7976931348623157e308};      // edLArrow
    LiveValue Bow{0, 1.7976931348623157e308};       // edBArrow
};

// The edits' texts, as shown and as stored.
struct VesselShapeTexts {
    std::string Circles, Interval, Radius, Bow, Side;
};

// Reads the keys in their order: the circles as an integer (default 2), the
// others as numbers in the class library's general format (defaults 10, 10,
// 100 and 0). A stored value that is not a number of its kind gives the
// default.
VesselShapeTexts ReadVesselShape(const platform::IniFile& ini);
// Writes the texts as typed, in the same order, in one write of the file.
void WriteVesselShape(platform::IniFile& ini, const VesselShapeTexts& texts);

}  // namespace tools
