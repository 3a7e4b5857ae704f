#include "navigation/DepthPipeline.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tools/SvpProfile.h"

const char* const kRawCsvHeader =
    "Date,Lat,Lon,Easting,Northing,Elevation (Hi),Elevation (Lo),True Depth (Hi),True Depth "
    "(Lo),Raw Depth (Hi),Raw Depth (Lo),Message Format,Sound Velocity,Transducer Draft,GPS, RTK "
    "Antenna Height,Manual Tide,RTK Tide";
const char* const kSimpleXyzHeader = "Easting,Northing,Elevation";

namespace {

using platform::FloatFormat;
using platform::FloatToStrF;

constexpr double kNoCorrectionVelocity = 1500.0;
constexpr double kNoDepth = 0.0001;  // a raw depth at or under it is "no depth"

constexpr int kGeneral = -2;  // the "decimals" of FloatToStr's general form

// A row repeats most of its fields from the row before (position, offsets,
// tide) and a conversion costs far more than a look-up, so the texts of the
// values met last are kept, one per slot of a small table.
std::string Formatted(double value, int decimals) {
    struct Entry {
        uint64_t bits = 0;
        int decimals = -1;
        std::string text;
    };
    thread_local std::array<Entry, 64> memo;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const uint64_t hash = (bits ^ static_cast<uint64_t>(decimals)) * 0x9E3779B97F4A7C15ull;
    Entry& entry = memo[hash >> 58];
    if (entry.decimals != decimals || entry.bits != bits) {
        entry.text = decimals == kGeneral ? platform::FloatToStr(value)
                                          : FloatToStrF(value, FloatFormat::Fixed, 15, decimals);
        entry.bits = bits;
        entry.decimals = decimals;
    }
    return entry.text;
}

std::string Fixed(double value, int decimals) { return Formatted(value, decimals); }

// What a message type needs on the line and how many values it scans.
struct TypeRule {
    std::string_view name;
    std::string_view need1, need2;
    int values;
    enum Into { High, Low, HighBattery, HighLow } into;
};

constexpr TypeRule kRules[] = {
    {"Plovan SMT", "SMT", "", 2, TypeRule::HighBattery},
    {"NMEA DPT", "DPT", "", 1, TypeRule::High},
    {"NMEA DBT", "DBT", "", 1, TypeRule::High},
    {"Plovan XDR HI", "XDHI", "", 1, TypeRule::High},
    {"Plovan XDR LO", "XDHI", "XDLO", 1, TypeRule::Low},
    {"Plovan XDR H/L", "XDHI", "XDLO", 2, TypeRule::HighLow},
    {"ODC HI", ",B,", "", 1, TypeRule::High},
    {"OTHER", "", "", 1, TypeRule::High},
};

const TypeRule* RuleOf(std::string_view type) {
    for (const TypeRule& rule : kRules)
        if (rule.name == type) return &rule;
    return nullptr;
}

bool Holds(std::string_view line, std::string_view what) {
    return what.empty() || line.find(what) != std::string_view::npos;
}

}  // namespace

bool DepthPipeline::Raises(DepthNote note, bool active) {
    const unsigned bit = 1u << static_cast<unsigned>(note);
    lineChecked_ |= bit;
    if (!active) return false;
    lineActive_ |= bit;
    if (raised_ & bit) return false;
    raised_ |= bit;
    return true;
}

double DepthPipeline::SoundVelocityFor(double raw, const SurveyState& state,
                                       const ProfileColumn& profile, DepthLineResult& result) {
    const double single = state.ManualSoundVelocity;
    const bool singleValid = std::isfinite(single) && single > 0;
    const double fallback = singleValid ? single : kNoCorrectionVelocity;
    if (!profile.inUse || profile.lines.empty()) {
        Note(result, DepthNote::NoSoundVelocity, !singleValid,
             "No valid sound velocity: depths are not corrected (1500 m/s).");
        return fallback;
    }
    const SvpLine line = SvpLineFor(raw, profile.lines.size());
    const size_t index = line.index;
    Note(result, DepthNote::ProfileBeyondEnd, line.beyond, [&] {
        return "Depth " + platform::FloatToStr(raw) +
               " m is beyond the sound velocity profile: its deepest line is used.";
    });
    const std::optional<double> sv = platform::ParseFloat(profile.lines[index]);
    const bool bad = !sv || !std::isfinite(*sv) || *sv <= 0;
    Note(result, DepthNote::ProfileLineBad, bad, [&] {
        return "Sound velocity profile line " + std::to_string(index) +
               " is not a number: the single sound velocity is used.";
    });
    return bad ? fallback : *sv;
}

DepthLineResult DepthPipeline::Process(SurveyState& state, std::string_view line,
                                       const DepthLineInputs& inputs) {
    lineActive_ = lineChecked_ = 0;
    DepthLineResult result = ProcessLine(state, line, inputs);
    raised_ &= ~(lineChecked_ & ~lineActive_);
    return result;
}

DepthLineResult DepthPipeline::ProcessLine(SurveyState& state, std::string_view line,
                                           const DepthLineInputs& inputs) {
    DepthLineResult result;
    const std::string lineText(line);

    // Alert depth and draft: a text that is not a number keeps the last good one.
    Note(result, DepthNote::AlertNotNumber, !inputs.alertDepth,
         "The depth alert is not a number: the last valid value is used.");
    if (inputs.alertDepth) lastAlert_ = inputs.alertDepth;
    if (lastAlert_) state.ShallowAlarmDepth = *lastAlert_;
    Note(result, DepthNote::DraftNotNumber, !inputs.draft,
         "The transducer draft is not a number: the last valid value is used.");
    if (inputs.draft) lastDraft_ = inputs.draft;
    const double draft = lastDraft_.value_or(state.TransducerDraft);

    const TypeRule* rule = RuleOf(inputs.messageType);
    if (!rule || !Holds(line, rule->need1) || !Holds(line, rule->need2)) return result;

    // Parse. A refused format or a marked line is a failed parse.
    int scanned = 0;
    const bool formatOk = inputs.format && inputs.format->Valid();
    Note(result, DepthNote::FormatRefused, !formatOk, [&] {
        return "The echo sounder format is refused: " +
               (inputs.format ? inputs.format->Error() : std::string("none"));
    });
    if (formatOk && !inputs.corrupt) scanned = inputs.format->Scan(line, fields_);
    const auto value = [&](int i) { return i < scanned ? fields_[i].number : 0.0; };
    switch (rule->into) {
        case TypeRule::High:
            result.rawHigh = value(0);
            break;
        case TypeRule::Low:
            result.rawLow = value(0);
            break;
        case TypeRule::HighBattery:
            result.rawHigh = value(0);
            if (scanned >= 2) result.batteryVolts = value(1);
            break;
        case TypeRule::HighLow:
            result.rawHigh = value(0);
            result.rawLow = value(1);
            break;
    }

    const double single = state.ManualSoundVelocity;
    result.soundVelocityUsed = std::isfinite(single) && single > 0 ? single : kNoCorrectionVelocity;
    if (scanned < rule->values) {
        result.parse = DepthLineResult::Parse::Failed;
        state.DepthHigh = state.DepthLow = 0;
        result.statusText = "[CORRUPT] " + lineText;
    } else {
        result.parse = DepthLineResult::Parse::Parsed;
        result.statusText = lineText;
        const auto correct = [&](double raw, double& depth, std::string& text) {
            if (raw <= kNoDepth) {
                depth = 0;
                text = "--.--";
                return;
            }
            const double sv = SoundVelocityFor(raw, state, inputs.profile, result);
            result.soundVelocityUsed = sv;
            depth = raw * sv / 1500.0 + draft;
            // A raw depth near the largest double overflows the correction:
            // no depth, rather than an infinity for the alert and the echogram.
            const bool finite = std::isfinite(depth);
            Note(result, DepthNote::DepthOutOfRange, !finite, [&] {
                return "Depth " + platform::FloatToStr(raw) + " m is out of range: no depth is used.";
            });
            if (!finite) {
                depth = 0;
                text = "--.--";
                return;
            }
            text = Fixed(depth, 2);
        };
        correct(result.rawHigh, state.DepthHigh, result.highText);
        correct(result.rawLow, state.DepthLow, result.lowText);
        state.NewDepthFlag = true;
        if (inputs.realtimeDown)
            result.shallow = state.DepthHigh != 0 && state.DepthHigh <= state.ShallowAlarmDepth;
    }

    // Rows: the CSV keeps every line with a raw depth; the XYZ file, the
    // deliverable, only a corrected depth of this line at a fresh, projected
    // position.
    if (result.rawHigh == 0 && result.rawLow == 0) return result;
    result.csvRow = BuildRawCsvRow(state, result, inputs);
    state.NewDepthFlag = true;
    const double xyzDepth = rule->into == TypeRule::Low ? state.DepthLow
                            : rule->into == TypeRule::HighLow && state.DepthHigh == 0
                                ? state.DepthLow
                                : state.DepthHigh;
    if (xyzDepth != 0 && inputs.positionFresh && inputs.grid)
        result.xyzRow = Fixed(inputs.grid->easting, 2) + "," + Fixed(inputs.grid->northing, 2) +
                        "," + Fixed(state.ManualTide - xyzDepth, 2);
    return result;
}

std::string BuildRawCsvRow(const SurveyState& s, const DepthLineResult& line,
                           const DepthLineInputs& in) {
    std::string row;
    const auto add = [&row](const std::string& field) {
        if (!row.empty()) row += ',';
        row += field;
    };
    row = platform::DateTimeToStr(in.now);
    add(Fixed(s.GnssLatitude, 10));
    add(Fixed(s.GnssLongitude, 10));
    add(Fixed(in.grid ? in.grid->easting : 0, 2));
    add(Fixed(in.grid ? in.grid->northing : 0, 2));
    add(Fixed(s.ManualTide - s.DepthHigh, 2));
    add(Fixed(s.ManualTide - s.DepthLow, 2));
    add(Fixed(s.DepthHigh, 2));
    add(Fixed(s.DepthLow, 2));
    add(Formatted(line.rawHigh, kGeneral));
    add(Formatted(line.rawLow, kGeneral));
    add(in.messageType);
    add(Fixed(line.soundVelocityUsed, 2));
    add(Fixed(s.TransducerDraft, 2));
    add(std::to_string(in.positionFresh ? in.fixQuality : 0));
    add(Fixed(s.RtkAntennaHeight, 2));
    add(Fixed(s.ManualTide, 2));
    add(Fixed(s.RtkTide, 2));
    return row;
}
