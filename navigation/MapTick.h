// The map tick without its windows: one run turns the latest GNSS fix into
// grid coordinates, moves the view, draws the vessel symbol, records the
// track and places the sounding label on the canvas, and returns the texts
// the main window shows in its other windows and in its status bar.
//
// Units: latitude and longitude decimal degrees (north, east positive),
// grid metres, headings and convergence degrees (grid heading = heading +
// convergence; the convergence is negative east of the central meridian in
// the north, for both projections). Colours 0x00BBGGRR.
//
// What it keeps between runs lives in SurveyState::MapTick. The geodetic
// set is the one Start read (a run without one reads it, see SurveyGrid.h);
// a refused set projects nothing until the next Start. A fix that did not
// change since the last projected one is not projected again. A fix of
// exactly 0 N 0 E (no position, or after "GPS is idle!") projects, moves and
// adds nothing. Nothing here throws.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "foundation/DisplayValues.h"
#include "foundation/SurveyState.h"
#include "navigation/SurveyGrid.h"

struct DeviceSettingsValues;
class TCanvasModel;

// At most this many range rings are drawn, whatever the ring count says.
inline constexpr int kMaxVesselRings = 100;

// "No Fix", "GPS", "DGPS", "RTK Fix", "RTK Float", else "Fix:" + n.
std::string FixName(int quality);

// "33°30'0.000\"S, 12°15'7.250\"E": whole degrees and minutes, seconds with
// three decimals, rounded to 0.001" before the split (never "60.000").
std::string DmsPositionText(double latitude, double longitude);

// The position box's text of the canvas.
struct StatusTextInputs {
    std::string fixName;
    std::string speedCaption;  // the realtime window's Speed caption; 0 when not a number
    int satellites = 0;
    double antennaHeight = 0;
    std::string tideText;  // LTideHt as shown
    bool sensorEnabled = false;
    bool highLowFormat = false;  // "Plovan XDR H/L"
    double depthHigh = 0, depthLow = 0;
    bool noValidPosition = false;
};
std::string PositionStatusText(const StatusTextInputs& in);

// The vessel symbol at (E, N) for a grid heading: five lines (position to
// tip, to right, to left, tip to right, tip to left) and the ring radii.
struct VesselSymbol {
    struct Line {
        double x1, y1, x2, y2;
    };
    std::array<Line, 5> lines;
    std::vector<double> ringRadii;
};
VesselSymbol VesselGeometry(double easting, double northing, double gridHeadingDeg,
                            const MapTickMemory& shape);

// Track recording settings, as the navigation settings window holds them.
struct TrackSettings {
    double distance = 20;           // m; 0 or less adds a point at every move
    std::optional<int> width;       // pen width; unchanged when none
    std::uint32_t fixColor = 0x008000;
    std::uint32_t floatColor = 0x00FFFF;
    bool asLine = true;
};
// One track step at (E, N): a point (or the line back to the anchor) on the
// layer of the fix quality, when the vessel moved at least the track
// distance and less than ten times it; see MapTick.cpp for the anchor rules.
// Returns the id of the added shape, 0 when none.
int RecordTrackPoint(MapTickMemory& memory, TCanvasModel& canvas, double easting, double northing,
                     int fixQuality, const TrackSettings& settings);

// The next track point anchors the track anew: no line joins it to the
// last session's track (each Start).
void StartNewTrack(MapTickMemory& memory);

// The sounding label of the tick.
void PlaceSoundingLabel(TCanvasModel& canvas, const DisplayValues& display, double easting,
                        double northing, double depthHigh);

// The position box's text while no fresh fix stands (the GNSS port idle,
// closed or failed, realtime stopped, or no fix for two seconds).
inline constexpr const char* kNoFixStatusText = "No Fix";

// The speed handed to the depth/speed box without a fresh fix: "--.-".
inline constexpr double kNoSpeed = std::numeric_limits<double>::quiet_NaN();

// Everything one run reads besides the survey state and the display values.
struct MapTickInputs {
    int fixQuality = 0;  // ZGPS1's
    // The fix stands for now (see PositionFresh); without it the tick shows
    // no fix, records no track point and places no sounding label.
    bool positionFresh = true;
    int satellites = 0;
    double courseOverGround = 0;
    std::string speedCaption;  // the realtime window's Speed caption
    bool offsetsVisible = false;
    const DeviceSettingsValues* device = nullptr;  // none: nothing is projected
    bool lowDepthShown = false;                    // DepthFrameLo's own flag
    // Vessel symbol (edAmount, edInterval, edRadious, edLArrow, edBArrow):
    // empty keeps the last value.
    std::optional<double> ringCount, ringInterval, firstRingRadius, sideArrow, bowArrow;
    std::uint32_t vesselColor = 0x800000;
    std::optional<int> vesselWidth;
    TrackSettings track;
};

struct MapTickResult {
    bool stopTimer = false;  // no ZDA seen: the tick disables itself
    // Realtime window captions.
    std::string fixedCaption, antennaCaption, tideCaption, satelliteCaption;
    // A refusal of the geodetic parameters to report (once per reason).
    std::optional<std::string> geodesyFault;
    bool projected = false;  // this run projected its fix
    bool noFix = false;      // it showed the no-fix state (quality 0, "No Fix", speed "--.-")
    bool drawn = false;      // the position, vessel and status bar are this run's
    std::string panel0, panel1;
};

MapTickResult RunMapTick(SurveyState& state, TCanvasModel& canvas, const DisplayValues& display,
                         const MapTickInputs& in);
