// The watch for a change of reference station in the correction stream: every
// received chunk is scanned on its own for station-position frames (1005,
// 1006) with a valid CRC; a plausible position (6,000 to 7,000 km from the
// earth's centre) of a station other than the last one, or of the same
// station moved by more than 0.00001 degree, is a new station. A frame split
// over two chunks is not seen. The memory starts at id 0 at (0, 0), so the
// first valid station after start is always new.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/VclText.h"

namespace rtcm3 {

struct BaseStation {
    int id = 0;
    double latitude = 0, longitude = 0;  // WGS 84 degrees
    double height = 0;                   // m
};

class BaseStationWatch {
  public:
    // The stations of `chunk` that are new, in order; each becomes the last
    // station before the next frame is judged.
    std::vector<BaseStation> Observe(std::string_view chunk);

    // Same id and within 0.00001 degree of the last station.
    bool IsKnown(const BaseStation& station) const;
    void Remember(const BaseStation& station) { last_ = station; }
    const BaseStation& Last() const { return last_; }

  private:
    BaseStation last_;
};

// "Base #2003: 41.13442695, 28.97361581, -1031.61m".
std::string BaseStationText(const BaseStation& station);

// Appends "Auto Event:\t<yyyy-mm-dd hhnnss>000\tNTRIP Base Station #..." to
// `<vlmRoot>/<date>/LOG/<date> Events.log` of the day of `now`, only when that
// LOG folder exists; a CR LF goes first when the file lacks a final one.
// Returns false when the folder is missing or the write failed.
bool AppendBaseStationEvent(const std::string& vlmRoot, const platform::DateTime& now,
                            const BaseStation& station);

}  // namespace rtcm3
