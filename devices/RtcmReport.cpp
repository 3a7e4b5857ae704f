#include "devices/RtcmReport.h"

#include <map>

#include "devices/NTRIPProtocol.h"
#include "devices/Rtcm3.h"

namespace rtcm3 {
namespace {

const std::string kRule(48, '=');

std::string Fixed(double value, int decimals) {
    return platform::FloatToStrF(value, platform::FloatFormat::Fixed, 18, decimals);
}

// Everything the scan gathers; the last frame that sets a value wins.
struct Gathered {
    std::map<int, long long> counts;  // ascending by message number
    long long total = 0;
    SignalFlags signals;
    bool anyStation = false;  // a 1005/1006 was decoded at all
    StationPosition station;  // the last decoded one
    bool accepted = false;    // a decoded one lay in the plausible shell
    StationPosition acceptedStation;
    Geodetic geodetic;
    double antennaHeight = 0;
    int stationId = 0;
    std::string antennaDescriptor, antennaSerial;
    int setupId = 0;
    std::string receiverType, receiverFirmware, receiverSerial;
    bool warned = false;
};

void Keep(std::string& field, const std::string& value) {
    if (!value.empty()) field = PrintableAscii(value);
}

void Take(const Frame& frame, Gathered& g, std::vector<std::string>& lines) {
    const int n = frame.messageNumber;
    ++g.counts[n];
    ++g.total;
    g.signals.Add(n);
    if (const auto station = DecodeStationPosition(frame)) {
        g.anyStation = true;
        g.station = *station;
        g.stationId = station->stationId;
        if (station->antennaHeight) g.antennaHeight = *station->antennaHeight;
        if (PlausibleStationRadius(station->x, station->y, station->z)) {
            g.accepted = true;
            g.acceptedStation = *station;
            g.geodetic = EcefToWgs84(station->x, station->y, station->z);
        } else if (!g.warned) {
            lines.push_back("  WARNING: ECEF magnitude invalid - parsing may be incorrect!");
            g.warned = true;
        }
    } else if (const auto text = DecodeDescriptors(frame)) {
        g.stationId = text->stationId;
        Keep(g.antennaDescriptor, text->antennaDescriptor);
        Keep(g.antennaSerial, text->antennaSerial);
        if (text->setupId) g.setupId = *text->setupId;
        Keep(g.receiverType, text->receiverType);
        Keep(g.receiverFirmware, text->receiverFirmware);
        Keep(g.receiverSerial, text->receiverSerial);
    }
}

void Section(std::vector<std::string>& lines, const std::string& title) {
    lines.push_back("");
    lines.push_back(title);
    lines.push_back(std::string(title.size(), '-'));
}

std::string Trimmed(const std::string& text) { return platform::Trim(text); }

void AddSignals(const SignalFlags& s, std::vector<std::string>& lines) {
    if (!s.Any()) return;
    Section(lines, "SIGNALS AVAILABLE");
    if (s.gps)
        lines.push_back(Trimmed(std::string("GPS: ") + (s.gpsL1 ? "L1 " : "") +
                                (s.gpsL2 ? "L2 " : "") + (s.gpsL5 ? "L5 " : "")));
    if (s.glonass)
        lines.push_back(Trimmed(std::string("GLONASS: ") + (s.glonassG1 ? "G1 " : "") +
                                (s.glonassG2 ? "G2 " : "")));
    if (s.galileo) lines.push_back("Galileo: E1 E5");
    if (s.beidou) lines.push_back("BeiDou: B1 B2");
    if (s.qzss) lines.push_back("QZSS");
    if (s.sbas) lines.push_back("SBAS");
    if (s.navic) lines.push_back("NavIC/IRNSS");
}

void AddVessel(const ReportInput& in, const Geodetic& base, std::vector<std::string>& lines) {
    Section(lines, "VESSEL POSITION (sent to VRS)");
    lines.push_back("  Latitude:  " + Fixed(in.latitude, 8) + " deg");
    lines.push_back("  Longitude: " + Fixed(in.longitude, 8) + " deg");
    lines.push_back("  Altitude:  " + Fixed(in.altitude, 1) + " m");
    lines.push_back(std::string("  Manual Position: ") + (in.manualPosition ? "Yes" : "No"));
    lines.push_back("  GGA Lat: " + FormatDegreesMinutes(in.latitude, 2) +
                    (in.latitude >= 0 ? " N" : " S"));
    lines.push_back("  GGA Lon: " + FormatDegreesMinutes(in.longitude, 3) +
                    (in.longitude >= 0 ? " E" : " W"));
    if (in.latitude == 0 && in.longitude == 0) {
        lines.push_back("");
        lines.push_back("(Vessel position not available - cannot calculate distance)");
        return;
    }
    Section(lines, "DISTANCE TO BASE STATION");
    lines.push_back("");
    const double d = HaversineMetres(in.latitude, in.longitude, base.latitude, base.longitude);
    lines.push_back("Distance to Base: " +
                    (d < 1000 ? Fixed(d, 1) + " m" : Fixed(d / 1000, 2) + " km"));
    lines.push_back(
        "Bearing to Base: " +
        Fixed(InitialBearingDegrees(in.latitude, in.longitude, base.latitude, base.longitude), 1) +
        " deg");
    if (d > 35000) {
        lines.push_back("");
        lines.push_back("WARNING: Distance > 35 km - RTK accuracy may be degraded!");
    } else if (d > 20000) {
        lines.push_back("");
        lines.push_back("NOTE: Distance > 20 km - Consider using closer base station");
    }
}

}  // namespace

Report BuildReport(const ReportInput& in) {
    Report report;
    std::vector<std::string>& lines = report.lines;
    lines.push_back("Plovan Survey Desk - RTCM Message Parser v1.0");
    lines.push_back(platform::FormatDateTime("yyyy-mm-dd hh:nn:ss", in.now) + " " + in.timeZone);
    lines.push_back("Buffer size: " + std::to_string(in.raw.size()) + " bytes");
    lines.push_back(kRule);
    lines.push_back("");

    Gathered g;
    ScanFrames(in.raw, [&](const Frame& frame) { Take(frame, g, lines); });

    lines.push_back("ANTENNA REFERENCE POINT (ARP)");
    lines.push_back("-----------------------------");
    if (g.stationId > 0) lines.push_back("Station ID: " + std::to_string(g.stationId));
    if (g.anyStation && g.station.itrfYear > 0)
        lines.push_back("ITRF Realization: " + std::to_string(2000 + g.station.itrfYear));
    if (g.anyStation && (g.station.gps || g.station.glonass || g.station.galileo)) {
        std::string systems;
        for (const auto& [set, name] :
             {std::pair{g.station.gps, "GPS"}, std::pair{g.station.glonass, "GLONASS"},
              std::pair{g.station.galileo, "Galileo"}})
            if (set) systems += (systems.empty() ? "" : " ") + std::string(name);
        lines.push_back("Station Systems: " + systems);
    }
    if (g.anyStation && !g.station.nonPhysical)
        lines.push_back("Reference Station: Physical (not virtual)");

    if (g.accepted) {
        // The coordinates of the frame that was accepted, beside its own
        // geographic position.
        const StationPosition& s = g.acceptedStation;
        lines.push_back("");
        lines.push_back("ECEF Coordinates:");
        lines.push_back("  X: " + Fixed(s.x, 4) + " m");
        lines.push_back("  Y: " + Fixed(s.y, 4) + " m");
        lines.push_back("  Z: " + Fixed(s.z, 4) + " m");
        lines.push_back("");
        lines.push_back("Geographic Coordinates (WGS84):");
        lines.push_back("  Latitude:  " + Fixed(g.geodetic.latitude, 8) + " deg");
        lines.push_back("  Longitude: " + Fixed(g.geodetic.longitude, 8) + " deg");
        lines.push_back("  Altitude:  " + Fixed(g.geodetic.height, 3) + " m");
    }
    if (g.antennaHeight > 0) {
        lines.push_back("");
        lines.push_back("Antenna Height (ARP to marker): " + Fixed(g.antennaHeight, 4) + " m");
    }
    if (!g.antennaDescriptor.empty() || !g.antennaSerial.empty()) {
        Section(lines, "ANTENNA DESCRIPTOR");
        if (!g.antennaDescriptor.empty()) lines.push_back("Antenna Type: " + g.antennaDescriptor);
        if (!g.antennaSerial.empty()) lines.push_back("Antenna Serial: " + g.antennaSerial);
        if (g.setupId > 0) lines.push_back("Setup ID: " + std::to_string(g.setupId));
    }
    if (!g.receiverType.empty() || !g.receiverFirmware.empty() || !g.receiverSerial.empty()) {
        Section(lines, "RECEIVER & ANTENNA DESCRIPTORS");
        if (!g.receiverType.empty()) lines.push_back("Receiver Type: " + g.receiverType);
        if (!g.receiverFirmware.empty())
            lines.push_back("Receiver Firmware: " + g.receiverFirmware);
        if (!g.receiverSerial.empty()) lines.push_back("Receiver Serial: " + g.receiverSerial);
    }
    AddSignals(g.signals, lines);
    if (g.accepted) AddVessel(in, g.geodetic, lines);

    Section(lines, "RTCM MESSAGES RECEIVED");
    for (const auto& [number, count] : g.counts)
        lines.push_back("  " + std::to_string(number) + " - " + MessageName(number) + " (x" +
                        std::to_string(count) + ")");
    lines.push_back("");
    lines.push_back(kRule);
    lines.push_back("Total: " + std::to_string(g.total) + " RTCM messages parsed");

    if (g.accepted) {
        report.stationDecoded = true;
        report.stationId = g.acceptedStation.stationId;
        report.latitude = g.geodetic.latitude;
        report.longitude = g.geodetic.longitude;
        report.height = g.geodetic.height;
    }
    return report;
}

}  // namespace rtcm3
