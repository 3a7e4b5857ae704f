#include "navigation/GnssSentences.h"

#include <string>
#include <vector>

#include "devices/NmeaParse.h"
#include "platform/ScanFormat.h"
#include "platform/VclText.h"

namespace {

using platform::ScanField;
using platform::ScanFormat;
using platform::ScanKind;

const ScanFormat& HdtFormat() {
    static const ScanFormat format = ScanFormat::Compile("%*7s %lf", {ScanKind::Double});
    return format;
}

const ScanFormat& GgaFormat() {
    static const ScanFormat format = ScanFormat::Compile(
        "%*6s,%lf,%*lf,%*1s,%*lf,%*1s,%d,%*d,%*lf,%lf,%*1s,%lf", {ScanKind::Double, ScanKind::Int});
    return format;
}

// Field `index` of a sentence, the checksum ("*hh") cut off; empty when the
// sentence has fewer fields.
std::string_view Field(std::string_view line, int index) {
    const size_t star = line.find('*');
    if (star != std::string_view::npos) line = line.substr(0, star);
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) return {};
        start = comma + 1;
    }
    const size_t end = line.find(',', start);
    return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::optional<double> Knots(std::string_view field) {
    const std::optional<double> value = platform::ParseFloat(field);
    if (!value || *value < 0) return std::nullopt;
    return value;
}

bool Contains(std::string_view line, std::string_view what) {
    return line.find(what) != std::string_view::npos;
}

bool IsGga(std::string_view line) {
    return nmea::TalkerSentenceType(line.substr(0, line.find('*'))) == "GGA";
}

}  // namespace

std::optional<double> ScanHdtHeading(std::string_view line) {
    std::vector<ScanField> fields;
    if (HdtFormat().Scan(line, fields) < 1) return std::nullopt;
    return fields[0].number;
}

std::optional<double> RmcSpeedKnots(std::string_view line) { return Knots(Field(line, 7)); }
std::optional<double> VtgSpeedKnots(std::string_view line) { return Knots(Field(line, 5)); }

GgaScan ScanGga(std::string_view line) {
    std::vector<ScanField> fields;
    GgaScan scan;
    const int n = GgaFormat().Scan(line, fields);
    scan.count = n < 0 ? 0 : n;
    if (scan.count >= 1) scan.utcTime = fields[0].number;
    if (scan.count >= 2) scan.fixQuality = fields[1].integer;
    if (scan.count >= 3) scan.altitude = fields[2].number;
    if (scan.count >= 4) scan.separation = fields[3].number;
    return scan;
}

bool GgaCarriesFix(std::string_view line, int previousQuality) {
    if (!IsGga(line)) return false;
    const std::string_view sentence = line.substr(0, line.find('*'));
    std::vector<std::string_view> f;
    nmea::SplitFieldViews(sentence, ',', f);
    if (f.size() < 10 || f[2].empty() || f[4].empty()) return false;
    if (!nmea::PositionDegrees(f[2], f[3], 90) || !nmea::PositionDegrees(f[4], f[5], 180))
        return false;
    const int quality = f[6].empty() ? previousQuality : nmea::FieldInteger(f[6]);
    return quality > 0;
}

bool PositionFresh(const SurveyState& state, uint32_t nowTick, bool portOpen) {
    return portOpen && state.LastFixTick != 0 && nowTick - state.LastFixTick < kFreshFixMs;
}

FixColour FixColourOf(int fixQuality) {
    switch (fixQuality) {
        case 4:
            return FixColour::Lime;
        case 0:
        case 1:
            return FixColour::Red;
        case 2:
            return FixColour::Aqua;
        default:
            return FixColour::Yellow;
    }
}

void CopyOffsets(SurveyState& state, const OffsetsCopy& offsets) {
    if (offsets.Draft) state.TransducerDraft = *offsets.Draft;
    if (offsets.SoundVelocity) state.ManualSoundVelocity = *offsets.SoundVelocity;
    if (offsets.AntennaHeight) state.AntennaHeightAboveWater = *offsets.AntennaHeight;
    if (offsets.Tide) state.ManualTide = *offsets.Tide;
}

GnssLineEffects ApplyGnssLine(SurveyState& state, std::string_view line,
                              const GnssLineContext& context) {
    GnssLineEffects effects;
    // The gate reads the ZDA flag as it was before this line, so the tick
    // starts with the first line after the first ZDA.
    effects.startMapTick = !context.mapTickEnabled && state.RealtimeStartTick != 0 && state.ZdaSeen;

    if (!context.corrupt) {
        if (!state.ZdaSeen && Contains(line, "ZDA")) state.ZdaSeen = true;
        if (Contains(line, "HDT")) {
            if (const auto heading = ScanHdtHeading(line)) state.GyroHeading = *heading;
        }
        if (Contains(line, "RMC")) {
            if (const auto knots = RmcSpeedKnots(line)) state.SpeedKnots = *knots;
        }
        if (Contains(line, "VTG")) {
            if (const auto knots = VtgSpeedKnots(line)) state.SpeedKnots = *knots;
        }
    }
    // The copy reads the window, not the line.
    if (context.offsetsHidden) CopyOffsets(state, context.offsets);
    if (!context.corrupt) {
        if (Contains(line, "GGA")) {
            effects.fixArrived = GgaCarriesFix(line, context.readerFixQuality);
            effects.fixLost = !effects.fixArrived && IsGga(line);
            const GgaScan gga = ScanGga(line);
            state.NoValidPosition = gga.count < 2 || gga.utcTime == 0;
            if (gga.count == 4 && gga.fixQuality == 4) {
                state.RtkAntennaHeight = gga.altitude + gga.separation;
                state.RtkTide = state.RtkAntennaHeight - state.AntennaHeightAboveWater;
            }
        }
    }

    const int shown = context.positionFresh ? context.readerFixQuality : 0;
    if (shown != state.ShownFixQuality) {
        effects.fixColour = FixColourOf(shown);
        state.ShownFixQuality = shown;
    }
    return effects;
}
