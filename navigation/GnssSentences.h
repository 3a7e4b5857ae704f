// The main window's own reading of the GNSS lines: the values the serial
// reader does not keep (heading, speed in knots, UTC time, RTK height), the
// map-tick gate and the fix-quality colour. One call per received line
// applies the line to the live survey state and says what the window has to
// show; nothing here touches a widget.
//
// Angles are degrees, speeds knots, heights metres. A line the reader marked
// as corrupt (its checksum failed) changes no value.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "foundation/SurveyState.h"

// "%*7s %lf": the number after the sentence id ($HEHDT,123.4,T gives 123.4);
// std::nullopt when it does not scan.
std::optional<double> ScanHdtHeading(std::string_view line);

// Speed over ground in knots, taken by field (RMC field 7, VTG field 5,
// counting the sentence id as field 0, the checksum cut off): an empty,
// negative or non-numeric field gives std::nullopt. Receivers leave VTG's
// magnetic track empty, which a scan through the fields would stop at.
std::optional<double> RmcSpeedKnots(std::string_view line);
std::optional<double> VtgSpeedKnots(std::string_view line);

// "%*6s,%lf,%*lf,%*1s,%*lf,%*1s,%d,%*d,%*lf,%lf,%*1s,%lf" of a GGA line.
struct GgaScan {
    int count = 0;       // values scanned (0 to 4; -1 counts as 0)
    double utcTime = 0;  // hhmmss.ss as one number
    int fixQuality = 0;
    double altitude = 0;    // m above the geoid
    double separation = 0;  // geoid separation, m
};
GgaScan ScanGga(std::string_view line);

// Whether the serial reader takes a fix from this line: a talker GGA
// ("$" + two letters + "GGA") with at least ten fields whose latitude and
// longitude are given and on the globe, and whose quality is above 0 (an
// empty quality field keeps `previousQuality`, as the reader does).
bool GgaCarriesFix(std::string_view line, int previousQuality);

// A fix stands for the vessel's position this long after its GGA arrived,
// until a GGA without a fix comes.
inline constexpr uint32_t kFreshFixMs = 2000;
// The latest position is fresh at tick count `nowTick`: a GGA carried a fix
// less than kFreshFixMs before (SurveyState::LastFixTick), no GGA without a
// fix came since, and the GNSS port is open. Rows without a fresh position go
// to no XYZ file.
bool PositionFresh(const SurveyState& state, uint32_t nowTick, bool portOpen);

// The colour of the realtime window's GNSS group for a fix quality.
enum class FixColour { Lime, Red, Aqua, Yellow };
FixColour FixColourOf(int fixQuality);

// The offsets window's four values as numbers; a text that is not a number
// is std::nullopt and leaves its copy as it was.
struct OffsetsCopy {
    std::optional<double> Draft;          // OffsetA, m
    std::optional<double> SoundVelocity;  // SV, m/s
    std::optional<double> AntennaHeight;  // OffsetC, antenna above water, m
    std::optional<double> Tide;           // TideHt, m
};
// Copies the values that are numbers into the survey state.
void CopyOffsets(SurveyState& state, const OffsetsCopy& offsets);

// What the window sees around one GNSS line.
struct GnssLineContext {
    bool mapTickEnabled = false;  // tMap runs
    bool offsetsHidden = true;    // the offsets window is not visible
    OffsetsCopy offsets;          // read only when hidden
    bool corrupt = false;         // the reader marked the line (checksum)
    int readerFixQuality = 0;     // ZGPS1's fix quality before this line
    bool positionFresh =
        true;  // a fresh fix stands (PositionFresh); else the colour is quality 0's
};

// What the window has to do after the line.
struct GnssLineEffects {
    bool startMapTick = false;           // enable tMap, GPSGroupBox lime, MemoGPS white
    bool fixArrived = false;             // the line carries a fix (GgaCarriesFix)
    bool fixLost = false;                // a GGA without one: the last fix stands no more
    std::optional<FixColour> fixColour;  // repaint GPSGroupBox
};

// Steps of the GNSS line handler that touch no window, in their order: the
// map-tick gate, ZDA, heading, speed (RMC, VTG), offsets copy, GGA, fix
// colour. A corrupt line passes the gate and the colour only.
GnssLineEffects ApplyGnssLine(SurveyState& state, std::string_view line,
                              const GnssLineContext& context);
