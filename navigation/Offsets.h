// The offsets a survey line's post-processing needs, without their window:
// the checks Realtime runs on the texts as typed, the day's offsets log
// block, the settings section "ECHOSOUNDER_OFFSETS", and the typed values
// the survey loop reads (draft, antenna offset and height, tide, sound
// velocity).
//
// Lengths are metres, the sound velocity m/s. Messages are English when the
// language code is "en" and Turkish for every other code; texts are UTF-8.
#pragma once

#include <string>

#include "tools/LiveValue.h"

namespace platform {
class IniFile;
}

// The eight edits' texts as typed.
struct OffsetsTexts {
    std::string OffsetA;     // transducer draft
    std::string OffsetB;     // transducer to antenna
    std::string OffsetC;     // antenna height above water
    std::string SV;          // sound velocity
    std::string TideHt;      // tide height
    std::string Location;    // survey location
    std::string SurveyBoat;  // name or type of the boat
    std::string Surveyor;
};

// The edit a failed check puts the focus in.
enum class OffsetsField {
    None,
    OffsetA,
    OffsetB,
    OffsetC,
    SV,
    TideHt,
    Location,
    SurveyBoat,
    Surveyor
};

// The checks in their order; Conversion is a range check whose text the
// process-wide number format cannot read (its message is the conversion
// error's, and the focus stays where it is).
enum class OffsetsCheck {
    Passed,
    OffsetANotANumber,
    OffsetBNotANumber,
    OffsetCNotANumber,
    SVNotANumber,
    TideNotANumber,
    LocationEmpty,
    BoatEmpty,
    SurveyorEmpty,
    OffsetsDisagree,  // |C + A - B| > 0.025 m
    SVOutOfRange,     // outside 1300 .. 1700 m/s
    Conversion,
};

struct OffsetsCheckResult {
    OffsetsCheck check = OffsetsCheck::Passed;
    std::string message;  // empty when passed
    OffsetsField focus = OffsetsField::None;
};

bool IsEnglish(const std::string& languageCode);

// Runs the checks in order and stops at the first that fails. A text is a
// number when "%lf" reads one from its start ("1.5m" is); the two range
// checks then convert the whole texts. Differences of exactly 0.025 m (to
// within 1e-9 m of binary rounding) and velocities of exactly 1300 and
// 1700 m/s pass.
OffsetsCheckResult CheckOffsets(const OffsetsTexts& texts, const std::string& languageCode);

// The warning when the clock text holds ':' (a time format the
// post-processing cannot read); empty when the text fits.
std::string ClockFormatWarning(const std::string& clockText, const std::string& languageCode);

// One block of the day's offsets log: two line feeds first, no line end at
// the end, "\n" between lines (the writer stores them as CR LF). With
// `profileUsed` the sound velocity line names the profile instead of the
// edit's value.
std::string OffsetsLogBlock(const OffsetsTexts& texts, const std::string& clockText,
                            bool profileUsed, const std::string& languageCode);

// The file of the day's offsets log: g_LogDir + DateStamp() + " Offsets.log".
std::string OffsetsLogPath();

// The message when the offsets log cannot be written.
std::string OffsetsLogFailedMessage(const std::string& path, const std::string& languageCode);

// A number field's name in the settings file and in its messages ("Offset
// A", "Offset B", "Offset C", "SV", "Tide Height"); empty for the others.
std::string OffsetsNumberName(OffsetsField field);

// Leaving a number field: empty when its text is a number, or is empty while
// the settings file holds nothing for the field (a first start: the field
// keeps its default, the empty text). Otherwise the field's name, then the
// number conversion's own message: "Offset A: '' is not a valid floating
// point value".
std::string OffsetsExitMessage(OffsetsField field, const std::string& text, bool stored);

// Whether "ECHOSOUNDER_OFFSETS" holds a value for the number field.
bool OffsetsNumberStored(const platform::IniFile& ini, OffsetsField field);

// Reads the eight keys by their plain names (defaults empty).
OffsetsTexts ReadOffsetsSettings(const platform::IniFile& ini);
// Writes the nine keys in their order with the names padded to 13
// characters ("SurveyLocation" has 14): the texts as typed and the clock,
// in one write of the file.
void WriteOffsetsSettings(platform::IniFile& ini, const OffsetsTexts& texts,
                          const std::string& clockText);

// What the survey loop reads from the offsets window: the last valid value
// of each number edit. Sound velocities outside 1300 .. 1700 m/s never
// count, so "1", "15" and "153" on the way to "1530" never reach a depth.
struct OffsetsValues {
    tools::LiveValue Draft;          // OffsetA
    tools::LiveValue AntennaOffset;  // OffsetB
    tools::LiveValue AntennaHeight;  // OffsetC
    tools::LiveValue SoundVelocity{1300, 1700};
    tools::LiveValue Tide;  // TideHt
};
