// The RTCM report: a plain-text diagnostic of the corrections received most
// recently (the client's last raw bytes): the base station's antenna
// reference point, its descriptors, the systems and signals of the stream,
// the vessel position sent to the caster with distance and bearing to the
// base, and a count of every message type. Pure: the window that shows it
// gives the bytes, the position and the clock.
#pragma once

#include <string>
#include <vector>

#include "platform/VclText.h"

namespace rtcm3 {

struct ReportInput {
    std::string raw;                                   // a copy of the client's raw data
    double latitude = 0, longitude = 0, altitude = 0;  // the client's GGA position
    bool manualPosition = false;
    platform::DateTime now;
    std::string timeZone;  // TimeZoneLabel(...)
};

struct Report {
    std::vector<std::string> lines;
    // The last accepted station position (1005/1006 inside the plausible shell).
    bool stationDecoded = false;
    int stationId = 0;
    double latitude = 0, longitude = 0, height = 0;
};

Report BuildReport(const ReportInput& input);

}  // namespace rtcm3
