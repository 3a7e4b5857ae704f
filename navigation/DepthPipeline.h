// The echo-sounder depth pipeline: one sounder line and the live values in,
// the corrected depths in the survey state and the rows of the two sounding
// logs out. The main window gathers the inputs, calls ProcessDepthLine and
// shows the result; writing the rows is SoundingRowWriter's.
//
// Depths are metres below the water line, positive down; a depth of 0 means
// "no depth". Sound velocities are m/s, corrected = raw x sv / 1500 + draft.
// A row's easting and northing are its own position's, never an older one's;
// the XYZ file, the deliverable, takes a row only with a fresh position.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "devices/EchoSounderFormats.h"
#include "foundation/SurveyState.h"
#include "platform/VclText.h"

// The raw depth CSV's header, 18 fields (the sixteenth with a leading blank).
extern const char* const kRawCsvHeader;
// The simple XYZ file's header.
extern const char* const kSimpleXyzHeader;

// The sound velocity profile column as the profile window holds it: one
// text line per whole metre of depth, index 0 first. `inUse` false means the
// single sound velocity corrects every depth.
struct ProfileColumn {
    bool inUse = false;
    std::vector<std::string> lines;
};

// The live values of one line, read by the window at this line.
struct DepthLineInputs {
    std::string messageType;             // text of the message type box
    const SBESFormat* format = nullptr;  // the compiled scan format
    std::optional<double> draft;         // OffsetA; std::nullopt: not a number
    std::optional<double> alertDepth;    // edDepthAlert1; std::nullopt: not a number
    ProfileColumn profile;
    bool corrupt = false;       // the reader marked the line (checksum)
    bool realtimeDown = false;  // bRealtime is down (GNSS connected)
    int fixQuality = 0;         // ZGPS1's fix quality
    // The latest position stands for this line (PositionFresh). Without it
    // the row's GPS column says 0 and no XYZ row is written.
    bool positionFresh = false;
    // The row's grid position: the projection of its own latitude and
    // longitude (GridOfLatestFix); none gives easting and northing 0.
    std::optional<GridFix> grid;
    platform::DateTime now;  // for the row's Date
};

// Notes the pipeline raises at most once per cause while the cause lasts;
// the window shows each once.
enum class DepthNote {
    FormatRefused,     // the scan format is invalid: its reason follows
    DraftNotNumber,    // the last good draft is used
    AlertNotNumber,    // the last good alert depth is used
    NoSoundVelocity,   // no valid single sound velocity: 1500 (no correction)
    ProfileLineBad,    // a profile line is not a number: the single velocity is used
    ProfileBeyondEnd,  // a raw depth beyond the last line: the deepest line is used
    DepthOutOfRange,   // the corrected depth overflows: no depth
};

struct DepthLineResult {
    enum class Parse { Ignored, Failed, Parsed } parse = Parse::Ignored;
    double rawHigh = 0, rawLow = 0;
    std::optional<double> batteryVolts;  // "Plovan SMT" with both values
    std::string statusText;              // panel 5: the line, or "[CORRUPT] " + line
    // Depth labels: the corrected depth fixed with 2 decimals, or "--.--".
    std::string highText = "--.--", lowText = "--.--";
    // The shallow alert's wish (true: red, false: the normal colour); empty
    // when the alert is not evaluated (not connected, or a failed parse).
    std::optional<bool> shallow;
    std::optional<std::string> csvRow;  // without the line end
    std::optional<std::string> xyzRow;
    double soundVelocityUsed = 0;
    std::vector<std::pair<DepthNote, std::string>> notes;  // new causes of this line
};

// Runs the pipeline on each line: parse by the message type, correction,
// alert, rows. Writes DepthHigh, DepthLow, ShallowAlarmDepth and
// NewDepthFlag of the survey state. It remembers which notes are in force
// (a cause that clears may be noted again later) and the last numeric draft
// and alert depth, used while their texts are not numbers.
class DepthPipeline {
  public:
    DepthLineResult Process(SurveyState& state, std::string_view line,
                            const DepthLineInputs& inputs);

  private:
    DepthLineResult ProcessLine(SurveyState& state, std::string_view line,
                                const DepthLineInputs& inputs);
    // Marks `note` checked on this line. When the line has its cause and the
    // note is not in force yet, adds it with its text: a C string, or a
    // callable that makes the text, so that nothing is built for the lines
    // (nearly all) without the cause.
    template <class Text>
    void Note(DepthLineResult& result, DepthNote note, bool active, Text&& text) {
        if (!Raises(note, active)) return;
        if constexpr (std::is_invocable_v<Text>)
            result.notes.emplace_back(note, text());
        else
            result.notes.emplace_back(note, std::string(text));
    }
    bool Raises(DepthNote note, bool active);
    double SoundVelocityFor(double raw, const SurveyState& state, const ProfileColumn& profile,
                            DepthLineResult& result);
    unsigned raised_ = 0;
    // The notes whose cause the current line has, and those it was checked
    // for without it: a cause clears only when no depth of the line has it.
    unsigned lineActive_ = 0, lineChecked_ = 0;
    std::optional<double> lastDraft_, lastAlert_;
    std::vector<platform::ScanField> fields_;  // a line's values, kept for the capacity
};

// The CSV row of the current state (no line end).
std::string BuildRawCsvRow(const SurveyState& state, const DepthLineResult& line,
                           const DepthLineInputs& inputs);
