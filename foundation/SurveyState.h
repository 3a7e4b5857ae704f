// The live survey state: the values in which the survey loop's handlers and
// timers meet. Only the GUI thread touches them. Angles are decimal degrees,
// lengths metres, speeds knots; a depth of 0 means "no depth". Values shown
// as 1e-9 start at that exact double, which the program treats as zero.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A grid position, metres, and the grid convergence there, degrees (grid
// heading = heading + convergence).
struct GridFix {
    double easting = 0, northing = 0, convergence = 0;
};

// The projection of WGS 84 fixes into the survey's grid with one geodetic
// set (navigation builds it when the set passed its checks). Latitude and
// longitude degrees, height metres; std::nullopt when a point does not
// convert. GUI thread only.
class FixProjection {
  public:
    virtual ~FixProjection() = default;
    virtual std::optional<GridFix> Project(double latitude, double longitude,
                                           double height) const = 0;
};

// What the map tick keeps from one tick to the next.
struct MapTickMemory {
    // The geodetic set, checked and fixed at each Start (edits during a
    // survey wait for the next Start). A refused set leaves no projection
    // at all until the next Start, however the edits change meanwhile.
    std::shared_ptr<const FixProjection> Projection;  // the set in force
    bool GeodesyRefused = false;

    // The last projected fix and its projection.
    double FixLatitude = 0, FixLongitude = 0, FixHeight = 0;
    double Easting = 0, Northing = 0, Convergence = 0;

    // Vessel symbol: an empty edit keeps the last number.
    int RingCount = 2;
    double RingInterval = 10, FirstRingRadius = 10, SideArrow = 0, BowArrow = 100;

    // Duration of the ticks while the latency window is shown, ms.
    int LatencyCount = 0;
    long LastLatencyMs = 0;
    double LatencyAverageMs = 0;

    // Track anchor: the last track point, and an outlying fix seen after it.
    bool TrackAnchored = false;
    double TrackEasting = 0, TrackNorthing = 0;
    bool TrackOutlier = false;
    double OutlierEasting = 0, OutlierNorthing = 0;
};

struct SurveyState {
    // Position and time
    double GnssLatitude = 0;   // north positive; 0 after a GNSS idle report
    double GnssLongitude = 0;  // east positive
    double GnssHeight = 0;     // GGA altitude, m
    double MapLatitude = 0;    // copies for the satellite background; kept when idle
    double MapLongitude = 0;
    bool ZdaSeen = false;         // a ZDA line arrived; never cleared
    bool NoValidPosition = false; // set from every GGA line
    int FixQuality = 0;           // GGA fix quality 0..9
    int ShownFixQuality = 0;      // the quality GPSGroupBox's colour shows
    // Tick count of the last GGA that carried a fix (quality above 0 and a
    // position); 0 when none stands: forgotten at Start, Stop, GNSS idle,
    // loss and disconnect, and at a GGA without a fix. A position is fresh
    // for two seconds after it.
    uint32_t LastFixTick = 0;

    // Grid position and heading (written together by one map tick)
    double GridEasting = 0;
    double GridNorthing = 0;
    double GridConvergence = 1e-9;
    double GyroHeading = 1e-9;  // degrees true, from HDT
    double GridHeading = 1e-9;  // heading + convergence
    double SpeedKnots = 0;      // from RMC or VTG, never negative

    // Depths (corrected, "true" depths of the two frequencies)
    double DepthHigh = 0;
    double DepthLow = 0;
    bool NewDepthFlag = false;
    double ShallowAlarmDepth = 0;

    // Copies of the offsets window's values
    double TransducerDraft = 0;        // m
    double ManualSoundVelocity = 0;    // m/s
    double AntennaHeightAboveWater = 0;// m
    double ManualTide = 0;             // m

    // RTK height
    double RtkAntennaHeight = 0;  // GGA altitude + geoid separation
    double RtkTide = 0;           // RtkAntennaHeight - AntennaHeightAboveWater

    // Status, watchdog and realtime
    std::string PositionStatusText;
    bool RealtimeRunning = false;
    uint32_t RealtimeStartTick = 0;  // 32-bit millisecond tick counts
    uint32_t SensorStartTick = 0;
    uint32_t LastSensorTick = 0;
    bool SensorTimedOut = false;
    bool SensorDisplaysShown = false;
    bool TrackDeleteLock = true;
    bool FollowVessel = true;

    // Drawing and measuring with the mouse (world metres)
    bool SelectTracksPending = false;  // the next polygon drawn selects tracks
    bool SelectShapesPending = false;  // the next polygon drawn selects shapes
    double MouseWorldX = 0;            // last mouse position over the canvas
    double MouseWorldY = 0;
    bool MeasureActive = false;  // the main window's own measure toggle
    double MeasureStartX = 0;
    double MeasureStartY = 0;

    // Standard canvas layer ids (EnsureStandardLayers)
    int GridLayerId = 0;        // "Plovan Grid"
    int TrackFixLayerId = 0;    // "track_fix"
    int TrackNoFixLayerId = 0;  // "track_nofix"
    int TrackFloatLayerId = 0;  // "track_float"
    int TempShapeLayerId = 0;   // "plovan_tempshape"
    int UserShapeLayerId = 0;   // "plovan_usershape"
    int EventNumberLayerId = 0; // "event_number"
    int VesselLayerId = 0;      // "~~Plovan Vessel"

    MapTickMemory MapTick;
};

// The process's one survey state.
extern SurveyState g_Survey;

// Back to the values at program load (tests).
inline void ResetSurveyState() { g_Survey = SurveyState{}; }
