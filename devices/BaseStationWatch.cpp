#include "devices/BaseStationWatch.h"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "devices/Rtcm3.h"
#include "platform/TextFiles.h"

namespace rtcm3 {
namespace {

constexpr double kSameStationDegrees = 0.00001;

std::string Fixed(double value, int decimals) {
    return platform::FloatToStrF(value, platform::FloatFormat::Fixed, 18, decimals);
}

}  // namespace

std::vector<BaseStation> BaseStationWatch::Observe(std::string_view chunk) {
    std::vector<BaseStation> found;
    if (chunk.size() < 6) return found;
    ScanFrames(chunk, [&](const Frame& frame) {
        const auto position = DecodeStationPosition(frame);
        if (!position || !PlausibleStationRadius(position->x, position->y, position->z)) return;
        const Geodetic g = EcefToWgs84(position->x, position->y, position->z);
        const BaseStation station{position->stationId, g.latitude, g.longitude, g.height};
        if (IsKnown(station)) return;
        found.push_back(station);
        last_ = station;
    });
    return found;
}

bool BaseStationWatch::IsKnown(const BaseStation& station) const {
    return station.id == last_.id &&
           std::fabs(station.latitude - last_.latitude) <= kSameStationDegrees &&
           std::fabs(station.longitude - last_.longitude) <= kSameStationDegrees;
}

std::string BaseStationText(const BaseStation& s) {
    return "Base #" + std::to_string(s.id) + ": " + Fixed(s.latitude, 8) + ", " +
           Fixed(s.longitude, 8) + ", " + Fixed(s.height, 2) + "m";
}

bool AppendBaseStationEvent(const std::string& vlmRoot, const platform::DateTime& now,
                            const BaseStation& station) {
    const std::string date = platform::FormatDateTime("yyyy-mm-dd", now);
    std::string folder = vlmRoot;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    folder += date + "/LOG/";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return false;
    const std::string path = folder + date + " Events.log";
    // Append rather than rewrite: a failure must never cost the day's log.
    bool needsLineEnd = false;
    if (std::ifstream old(path, std::ios::binary | std::ios::ate); old && old.tellg() > 0) {
        old.seekg(-1, std::ios::end);
        needsLineEnd = old.get() != '\n';
    }
    const std::string line = "Auto Event:\t" + platform::FormatDateTime("yyyy-mm-dd hhnnss", now) +
                             "000\tNTRIP Base Station #" + BaseStationText(station).substr(6) +
                             "\n";
    return platform::AppendText(path, (needsLineEnd ? "\n" : "") + line);
}

}  // namespace rtcm3
