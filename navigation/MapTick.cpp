#include "navigation/MapTick.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "canvas/CanvasModel.h"
#include "devices/DeviceSettingsFile.h"
#include "geodesy/Datum.h"
#include "navigation/StandardLayers.h"
#include "platform/VclText.h"

namespace {

constexpr const char* kTrackFixLayerName = "track_fix";
constexpr const char* kTrackFloatLayerName = "track_float";
constexpr const char* kTrackNoFixLayerName = "track_nofix";

std::string Fixed(double value, int digits) {
    return platform::FloatToStrF(value, platform::FloatFormat::Fixed, 18, digits);
}

double Radians(double degrees) { return degrees * geodesy::kPi / 180; }

// One whole angle of the position text: 33°30'0.000" and the hemisphere.
std::string Dms(double value, char positive, char negative) {
    const long long thousandths = std::llround(std::fabs(value) * 3600.0 * 1000.0);
    const long long degrees = thousandths / 3600000;
    const long long minutes = thousandths / 60000 % 60;
    const double seconds = static_cast<double>(thousandths % 60000) / 1000.0;
    return std::to_string(degrees) + "\xC2\xB0" + std::to_string(minutes) + "'" +
           Fixed(seconds, 3) + "\"" + (value >= 0 ? positive : negative);
}

// Repaints asked for inside the tick join the next paint: one tick, at most
// one rebuild of the back buffer.
struct DeferredRepaints {
    TCanvasModel& canvas;
    explicit DeferredRepaints(TCanvasModel& c) : canvas(c) { ++canvas.FRepaintsDeferred; }
    ~DeferredRepaints() { --canvas.FRepaintsDeferred; }
};

}  // namespace

std::string FixName(int quality) {
    switch (quality) {
        case 0:
            return "No Fix";
        case 1:
            return "GPS";
        case 2:
            return "DGPS";
        case 4:
            return "RTK Fix";
        case 5:
            return "RTK Float";
        default:
            return "Fix:" + std::to_string(quality);
    }
}

std::string DmsPositionText(double latitude, double longitude) {
    return Dms(latitude, 'N', 'S') + ", " + Dms(longitude, 'E', 'W');
}

std::string PositionStatusText(const StatusTextInputs& in) {
    if (in.noValidPosition) return "*** EMPTY GGA - NO POSITION ***";
    const double speed = platform::ParseFloat(in.speedCaption).value_or(0);
    std::string text = in.fixName + " | Spd: " + Fixed(std::isfinite(speed) ? speed : 0, 1) +
                       " kn | SV: " + std::to_string(in.satellites) +
                       " | Ant: " + Fixed(in.antennaHeight, 2) + " m | Tide: " + in.tideText +
                       " m";
    if (in.sensorEnabled && in.depthHigh > 0) {
        if (in.highLowFormat && in.depthLow > 0)
            text += " | HDepth: " + Fixed(in.depthHigh, 2) + " m | LDepth: " +
                    Fixed(in.depthLow, 2) + " m";
        else
            text += " | Depth: " + Fixed(in.depthHigh, 2) + " m";
    }
    return text;
}

// ---- Vessel, track and sounding ----

VesselSymbol VesselGeometry(double e, double n, double headingDeg, const MapTickMemory& shape) {
    const double h = Radians(headingDeg);
    const double lb = shape.BowArrow, ls = shape.SideArrow;
    const double tx = e + lb * std::sin(h), ty = n + lb * std::cos(h);
    const double rx = e + ls * std::sin(h + geodesy::kPi / 2), ry = n + ls * std::cos(h + geodesy::kPi / 2);
    const double lx = e + ls * std::sin(h - geodesy::kPi / 2), ly = n + ls * std::cos(h - geodesy::kPi / 2);
    VesselSymbol s;
    s.lines = {{{e, n, tx, ty}, {e, n, rx, ry}, {e, n, lx, ly}, {tx, ty, rx, ry}, {tx, ty, lx, ly}}};
    const int rings = std::min(shape.RingCount, kMaxVesselRings);
    for (int i = 0; i < rings; ++i) s.ringRadii.push_back(shape.FirstRingRadius + i * shape.RingInterval);
    return s;
}

// The anchor is the last track point. A fix closer than the track distance
// D to it adds nothing and keeps it; one between D and 10 D adds the point
// and becomes the anchor. A single fix 10 D or more away (an outlier) adds
// nothing; when the next fix is again that far from the anchor but within
// 10 D of the outlier, the vessel really moved (an outage, a jump) and the
// anchor moves to that fix, without a line across the gap. With D <= 0 every
// fix that moved adds a point. Grid (0, 0) is never an anchor.
int RecordTrackPoint(MapTickMemory& m, TCanvasModel& canvas, double e, double n, int quality,
                     const TrackSettings& settings) {
    if (e == 0 && n == 0) return 0;
    if (!m.TrackAnchored) {
        m.TrackAnchored = true;
        m.TrackEasting = e;
        m.TrackNorthing = n;
        return 0;
    }
    const double d = std::hypot(e - m.TrackEasting, n - m.TrackNorthing);
    const double limit = settings.distance;
    bool add = false;
    if (limit <= 0) {
        add = d > 0;
    } else if (d < limit) {
        m.TrackOutlier = false;
        return 0;
    } else if (d < 10 * limit) {
        add = true;
    } else {
        const bool confirmed = m.TrackOutlier &&
                               std::hypot(e - m.OutlierEasting, n - m.OutlierNorthing) < 10 * limit;
        if (confirmed) {
            m.TrackOutlier = false;
            m.TrackEasting = e;
            m.TrackNorthing = n;
        } else {
            m.TrackOutlier = true;
            m.OutlierEasting = e;
            m.OutlierNorthing = n;
        }
        return 0;
    }
    if (!add) return 0;

    const char* layerName = kTrackNoFixLayerName;
    TColor colour = clRed;
    if (quality == 4) {
        layerName = kTrackFixLayerName;
        colour = static_cast<TColor>(settings.fixColor);
    } else if (quality == 5 || quality == 2 || quality == 3) {
        layerName = kTrackFloatLayerName;
        colour = static_cast<TColor>(settings.floatColor);
    }
    int id = 0;
    const int layer = canvas.FindLayer(QString::fromUtf8(layerName));
    if (layer >= 0) {
        canvas.SetLayerColor(layer, colour);
        if (settings.width) canvas.SetLayerWidth(layer, *settings.width);
        id = settings.asLine ? canvas.AddLine(e, n, m.TrackEasting, m.TrackNorthing, layer)
                             : canvas.AddPoint(e, n, layer);
    }
    m.TrackOutlier = false;
    m.TrackEasting = e;
    m.TrackNorthing = n;
    return id;
}

void StartNewTrack(MapTickMemory& m) {
    m.TrackAnchored = false;
    m.TrackOutlier = false;
}

void PlaceSoundingLabel(TCanvasModel& canvas, const DisplayValues& display, double e, double n,
                        double depthHigh) {
    if (!display.ShowDepthLabels) return;
    const QString font = display.DepthLabelFontName.empty()
                             ? QStringLiteral("Arial")
                             : QString::fromStdString(display.DepthLabelFontName);
    canvas.SetSoundingStyle(true, display.DepthLabelSpacing, font, display.DepthLabelFontSize,
                            static_cast<TColor>(display.DepthLabelColor));
    if (depthHigh > 0 && !(e == 0 && n == 0)) canvas.AddSounding(e, n, depthHigh);
}

// ---- The tick ----

MapTickResult RunMapTick(SurveyState& s, TCanvasModel& canvas, const DisplayValues& display,
                         const MapTickInputs& in) {
    MapTickResult r;
    MapTickMemory& m = s.MapTick;
    // 2.
    if (!s.ZdaSeen) {
        r.stopTimer = true;
        return r;
    }
    const DeferredRepaints deferred(canvas);
    // 4. Without a fresh fix the quality the reader last held is not shown.
    r.noFix = !in.positionFresh;
    const int quality = r.noFix ? 0 : in.fixQuality;
    r.fixedCaption = std::to_string(quality);
    r.antennaCaption = Fixed(s.RtkAntennaHeight, 2);
    r.tideCaption = in.offsetsVisible ? "-" : Fixed(s.RtkTide, 2);
    r.satelliteCaption = std::to_string(in.satellites);
    // 5, 6.
    s.FixQuality = quality;
    StatusTextInputs status;
    status.fixName = FixName(quality);
    status.speedCaption = in.speedCaption;
    status.satellites = in.satellites;
    status.antennaHeight = s.RtkAntennaHeight;
    status.tideText = r.tideCaption;
    if (in.device) {
        status.sensorEnabled = in.device->SensorEnabled;
        status.highLowFormat = in.device->SBESMessage == "Plovan XDR H/L";
    }
    status.depthHigh = s.DepthHigh;
    status.depthLow = s.DepthLow;
    status.noValidPosition = s.NoValidPosition;
    s.PositionStatusText = r.noFix ? kNoFixStatusText : PositionStatusText(status);
    canvas.Invalidate();
    if (!in.device) return r;
    const auto depthSpeedBox = [&] {
        if (in.device->SensorEnabled)
            canvas.SetDepth(s.DepthHigh, in.lowDepthShown ? s.DepthLow : 0, true);
        canvas.SetSpeed(r.noFix ? kNoSpeed : s.SpeedKnots, true);
    };
    // 7. A refused set was said once; it projects nothing until the next Start.
    if (!m.Projection && !m.GeodesyRefused) {
        std::string why;
        if (!CacheGeodesy(m, *in.device, &why)) r.geodesyFault = why;
    }
    if (!m.Projection) {
        s.GridEasting = s.GridNorthing = 0;
        if (s.VesselLayerId >= 0) canvas.ClearLayer(s.VesselLayerId);
        depthSpeedBox();
        return r;
    }
    // 8.
    if (in.ringCount) m.RingCount = static_cast<int>(std::clamp(*in.ringCount, 0.0, 2147483647.0));
    if (in.ringInterval) m.RingInterval = *in.ringInterval;
    if (in.firstRingRadius) m.FirstRingRadius = *in.firstRingRadius;
    if (in.sideArrow) m.SideArrow = *in.sideArrow;
    if (in.bowArrow) m.BowArrow = *in.bowArrow;

    // No position (before the first fix, after an idle port): nothing moves.
    if (s.GnssLatitude == 0 && s.GnssLongitude == 0) {
        depthSpeedBox();
        return r;
    }
    // 9.
    const bool changed = s.GnssLatitude != m.FixLatitude || s.GnssLongitude != m.FixLongitude ||
                         s.GnssHeight != m.FixHeight;
    if (changed) {
        m.FixLatitude = s.GnssLatitude;
        m.FixLongitude = s.GnssLongitude;
        m.FixHeight = s.GnssHeight;
        r.projected = true;
        const std::optional<GridFix> grid =
            m.Projection->Project(s.GnssLatitude, s.GnssLongitude, s.GnssHeight);
        if (!grid) return r;
        m.Easting = grid->easting;
        m.Northing = grid->northing;
        m.Convergence = grid->convergence;
    }
    s.GridEasting = m.Easting;
    s.GridNorthing = m.Northing;
    s.GridConvergence = m.Convergence;
    const double e = s.GridEasting, n = s.GridNorthing;
    // 10.
    const double heading = in.device->GyroEnabled ? s.GyroHeading : in.courseOverGround;
    s.GridHeading = heading + s.GridConvergence;
    // 11.
    if (s.FollowVessel)
        canvas.CenterOn(e, n);
    else
        canvas.Redraw();
    // 12. A vessel layer that could not be found has nothing to clear or draw.
    if (s.VesselLayerId >= 0) {
        canvas.ClearLayer(s.VesselLayerId);
        if (!(e == 0 && n == 0)) {
            canvas.SetLayerColor(s.VesselLayerId, static_cast<TColor>(in.vesselColor));
            if (in.vesselWidth) canvas.SetLayerWidth(s.VesselLayerId, *in.vesselWidth);
            const VesselSymbol symbol = VesselGeometry(e, n, s.GridHeading, m);
            for (const VesselSymbol::Line& l : symbol.lines)
                canvas.AddLine(l.x1, l.y1, l.x2, l.y2, s.VesselLayerId);
            for (const double radius : symbol.ringRadii)
                canvas.AddCircle(e, n, radius, s.VesselLayerId);
        }
    }
    // 13.
    r.drawn = true;
    r.panel0 = DmsPositionText(s.GnssLatitude, s.GnssLongitude);
    r.panel1 = "E" + Fixed(e, 2) + ", N" + Fixed(n, 2);
    // 14. A stale fix leaves no trace.
    if (!r.noFix) {
        RecordTrackPoint(m, canvas, e, n, quality, in.track);
        PlaceSoundingLabel(canvas, display, e, n, s.DepthHigh);
    }
    depthSpeedBox();
    return r;
}
