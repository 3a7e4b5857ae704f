#include "navigation/DepthPipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

class Depth : public ::testing::Test {
  protected:
    SurveyState state;
    DepthPipeline pipeline;
    SBESFormat format{"%*6s,%lf"};
    DepthLineInputs in;

    void SetUp() override {
        state.ManualSoundVelocity = 1500;
        state.ManualTide = 0.2;
        state.TransducerDraft = 0.5;
        in.messageType = "NMEA DPT";
        in.format = &format;
        in.draft = 0.5;
        in.alertDepth = 0.0;
        in.now = {2026, 12, 10, 9, 30, 5, 123};
    }
    DepthLineResult Run(const std::string& line) { return pipeline.Process(state, line, in); }
};

TEST_F(Depth, CorrectionAndRow) {
    DepthLineResult r = Run("$SDDPT,12.5,0.0");
    EXPECT_EQ(r.parse, DepthLineResult::Parse::Parsed);
    EXPECT_DOUBLE_EQ(state.DepthHigh, 13.0);
    EXPECT_EQ(r.highText, "13.00");
    EXPECT_EQ(r.lowText, "--.--");
    EXPECT_EQ(r.statusText, "$SDDPT,12.5,0.0");
    EXPECT_TRUE(state.NewDepthFlag);
    ASSERT_TRUE(r.csvRow);
    EXPECT_EQ(*r.csvRow,
              "2026-12-10 093005123,0.0000000000,0.0000000000,0.00,0.00,-12.80,0.20,13.00,0.00,"
              "12.5,0,NMEA DPT,1500.00,0.50,0,0.00,0.20,0.00");
    // No XYZ row before the first projected position.
    EXPECT_FALSE(r.xyzRow);
    state.ManualSoundVelocity = 1530;
    in.grid = GridFix{500000.004, 4500000.5, 0};
    in.positionFresh = true;
    in.fixQuality = 4;
    r = Run("$SDDPT,12.5,0.0");
    EXPECT_DOUBLE_EQ(state.DepthHigh, 12.5 * 1530 / 1500 + 0.5);
    EXPECT_EQ(r.highText, "13.25");
    ASSERT_TRUE(r.xyzRow);
    EXPECT_EQ(*r.xyzRow, "500000.00,4500000.50,-13.05");
    ASSERT_TRUE(r.csvRow);
    EXPECT_NE(r.csvRow->find(",500000.00,4500000.50,"), std::string::npos);
    EXPECT_NE(r.csvRow->find(",NMEA DPT,1530.00,0.50,4,"), std::string::npos);
}

TEST_F(Depth, AStalePositionMakesNoXyzRowAndQualityZero) {
    // The map tick's grid values are an older position's: rows never take them.
    state.GridEasting = 123456.78;
    state.GridNorthing = 4000000;
    in.fixQuality = 4;
    struct Case {
        bool fresh;
        std::optional<GridFix> grid;
        const char* csvPart;  // easting, northing ... GPS column
        bool xyz;
    } cases[] = {
        {false, GridFix{500000, 4500000, 0}, ",500000.00,4500000.00,", false},
        {true, std::nullopt, ",0.00,0.00,", false},
        {true, GridFix{500000, 4500000, 0}, ",500000.00,4500000.00,", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csvPart);
        in.positionFresh = c.fresh;
        in.grid = c.grid;
        const DepthLineResult r = Run("$SDDPT,12.5,0.0");
        ASSERT_TRUE(r.csvRow);
        EXPECT_NE(r.csvRow->find(c.csvPart), std::string::npos) << *r.csvRow;
        EXPECT_NE(r.csvRow->find(c.fresh ? ",0.50,4," : ",0.50,0,"), std::string::npos)
            << *r.csvRow;
        EXPECT_EQ(r.xyzRow.has_value(), c.xyz);
    }
}

TEST_F(Depth, MidnightDateHasNoTime) {
    in.now = {2026, 12, 11, 0, 0, 0, 0};
    const DepthLineResult r = Run("$SDDPT,3.0");
    ASSERT_TRUE(r.csvRow);
    EXPECT_EQ(r.csvRow->substr(0, 11), "2026-12-11,");
}

TEST_F(Depth, ProfileIndexRoundsHalfUp) {
    in.profile.inUse = true;
    for (int i = 0; i < 10; ++i) in.profile.lines.push_back(std::to_string(1400 + i * 10));
    in.draft = 0;
    Run("$SDDPT,7.5");
    EXPECT_DOUBLE_EQ(state.DepthHigh, 7.5 * 1480 / 1500);
    Run("$SDDPT,7.49");
    EXPECT_DOUBLE_EQ(state.DepthHigh, 7.49 * 1470 / 1500);
    // Beyond the last line: the deepest line, said once.
    DepthLineResult r = Run("$SDDPT,30");
    EXPECT_DOUBLE_EQ(state.DepthHigh, 30.0 * 1490 / 1500);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].first, DepthNote::ProfileBeyondEnd);
    EXPECT_TRUE(Run("$SDDPT,31").notes.empty());
    // A line that is not a number: the single velocity.
    in.profile.lines[3] = "abc";
    r = Run("$SDDPT,3.2");
    EXPECT_DOUBLE_EQ(state.DepthHigh, 3.2);
    ASSERT_FALSE(r.notes.empty());
    EXPECT_EQ(r.notes.back().first, DepthNote::ProfileLineBad);
}

// A cause is in force while either depth of a line has it: the high and low
// depths of a two-depth sounder do not take turns raising and clearing it.
TEST_F(Depth, ANoteOfOneOfTwoDepthsIsSaidOnce) {
    in.profile.inUse = true;
    for (int i = 0; i < 10; ++i) in.profile.lines.push_back(std::to_string(1400 + i * 10));
    const SBESMessageType* type = FindSBESMessageType("Plovan XDR H/L");
    ASSERT_TRUE(type);
    SBESFormat f(type->format);
    in.messageType = "Plovan XDR H/L";
    in.format = &f;
    const auto beyondNotes = [&](const std::string& line) {
        const DepthLineResult r = Run(line);
        return std::count_if(r.notes.begin(), r.notes.end(), [](const auto& note) {
            return note.first == DepthNote::ProfileBeyondEnd;
        });
    };
    for (const char* line : {"$PLXDHI1,30,$PLXDLO1,4", "$PLXDHI1,4,$PLXDLO1,30"}) {
        SCOPED_TRACE(line);
        pipeline = DepthPipeline();
        EXPECT_EQ(beyondNotes(line), 1);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(beyondNotes(line), 0);
        // Both within the profile clears it; the next depth beyond says it again.
        EXPECT_EQ(beyondNotes("$PLXDHI1,4,$PLXDLO1,5"), 0);
        EXPECT_EQ(beyondNotes(line), 1);
    }
}

TEST_F(Depth, HugeDepthsReadTheProfileWithinItsLines) {
    in.profile.inUse = true;
    for (int i = 0; i < 10; ++i) in.profile.lines.push_back(std::to_string(1400 + i * 10));
    in.draft = 0;
    const struct {
        const char* raw;
        double velocity;  // 0: no depth
        DepthNote note;
    } cases[] = {
        {"1e25", 1490, DepthNote::ProfileBeyondEnd},
        {"18446744073709551616", 1490, DepthNote::ProfileBeyondEnd},  // 2^64
        {"9.5", 1490, DepthNote::ProfileBeyondEnd},                   // rounds to 10
        {"1e308", 0, DepthNote::DepthOutOfRange},                     // raw x velocity overflows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        pipeline = DepthPipeline();
        const double raw = std::stod(c.raw);
        const DepthLineResult r = Run(std::string("$SDDPT,") + c.raw);
        ASSERT_EQ(r.parse, DepthLineResult::Parse::Parsed);
        EXPECT_EQ(state.DepthHigh, c.velocity == 0 ? 0 : raw * c.velocity / 1500);
        EXPECT_EQ(r.highText == "--.--", c.velocity == 0);
        EXPECT_TRUE(std::any_of(r.notes.begin(), r.notes.end(),
                                [&](const auto& note) { return note.first == c.note; }));
        ASSERT_TRUE(r.csvRow);  // the raw depth is kept
    }
}

TEST_F(Depth, NoDepthValues) {
    state.DepthHigh = 7;
    in.realtimeDown = true;
    in.alertDepth = 5.0;
    DepthLineResult r = Run("$SDDPT,0");
    EXPECT_EQ(r.highText, "--.--");
    EXPECT_EQ(state.DepthHigh, 0);
    EXPECT_FALSE(r.csvRow);
    EXPECT_EQ(r.shallow, false);
    r = Run("$SDDPT,0.0001");
    EXPECT_EQ(state.DepthHigh, 0);
    ASSERT_TRUE(r.csvRow);
    EXPECT_NE(r.csvRow->find(",0.0001,0,NMEA DPT,1500.00,"), std::string::npos);
    EXPECT_EQ(r.shallow, false);
    EXPECT_FALSE(r.xyzRow);
}

TEST_F(Depth, ShallowAlertOnlyWhileConnected) {
    in.alertDepth = 0.5;
    in.draft = 0;
    DepthLineResult r = Run("$SDDPT,0.5");
    EXPECT_FALSE(r.shallow);
    in.realtimeDown = true;
    r = Run("$SDDPT,0.5");
    EXPECT_EQ(r.shallow, true);
    EXPECT_DOUBLE_EQ(state.ShallowAlarmDepth, 0.5);
    r = Run("$SDDPT,0.51");
    EXPECT_EQ(r.shallow, false);
}

TEST_F(Depth, MessageTypes) {
    struct Case {
        const char* type;
        const char* line;
        double rawHigh, rawLow;
        DepthLineResult::Parse parse;
        bool csv, xyz;
    } cases[] = {
        {"Plovan SMT", "$PLSMT01,4.0,12.60", 4.0, 0, DepthLineResult::Parse::Parsed, true, true},
        {"Plovan SMT", "$PLSMT01,4.0", 4.0, 0, DepthLineResult::Parse::Failed, true, false},
        {"NMEA DBT", "$SDDBT,13.1,f,4.0,M,2.2,F", 4.0, 0, DepthLineResult::Parse::Parsed, true,
         true},
        {"NMEA DBT", "$SDDPT,4.0", 0, 0, DepthLineResult::Parse::Ignored, false, false},
        {"Plovan XDR HI", "$PLXDHI1,6.5", 6.5, 0, DepthLineResult::Parse::Parsed, true, true},
        {"Plovan XDR LO", "$PLXDHI1,6.5,$PLXDLO1,7.5", 0, 7.5, DepthLineResult::Parse::Parsed, true,
         true},
        {"Plovan XDR LO", "$PLXDHI1,6.5", 0, 0, DepthLineResult::Parse::Ignored, false, false},
        {"Plovan XDR H/L", "$PLXDHI1,6.5,$PLXDLO1,7.5", 6.5, 7.5, DepthLineResult::Parse::Parsed,
         true, true},
        {"Plovan XDR H/L", "$PLXDHI1,0,$PLXDLO1,7.5", 0, 7.5, DepthLineResult::Parse::Parsed, true,
         true},
        {"ODC HI", "$ODC,A,B,000000000000000000000000000000000,9.25", 9.25, 0,
         DepthLineResult::Parse::Parsed, true, true},
        {"ODC HI", "$ODC,no marker,9.25", 0, 0, DepthLineResult::Parse::Ignored, false, false},
        {"UNKNOWN", "$SDDPT,4.0", 0, 0, DepthLineResult::Parse::Ignored, false, false},
        {"OTHER", "ABCDEFGHIJ,3.5", 3.5, 0, DepthLineResult::Parse::Parsed, true, true},
        {"OTHER", "garbage", 0, 0, DepthLineResult::Parse::Failed, false, false},
    };
    in.positionFresh = true;
    in.grid = GridFix{1, 0, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.line);
        const SBESMessageType* type = FindSBESMessageType(c.type);
        SBESFormat f(type && !type->format.empty() ? type->format : kOtherStartFormat);
        in.messageType = c.type;
        in.format = &f;
        const DepthLineResult r = Run(c.line);
        EXPECT_EQ(r.parse, c.parse);
        EXPECT_DOUBLE_EQ(r.rawHigh, c.rawHigh);
        EXPECT_DOUBLE_EQ(r.rawLow, c.rawLow);
        EXPECT_EQ(r.csvRow.has_value(), c.csv);
        EXPECT_EQ(r.xyzRow.has_value(), c.xyz);
        if (c.parse == DepthLineResult::Parse::Failed) {
            EXPECT_EQ(r.statusText, std::string("[CORRUPT] ") + c.line);
            EXPECT_EQ(state.DepthHigh, 0);
        }
    }
}

TEST_F(Depth, BatteryOfSmt) {
    SBESFormat f("%*8s,%lf,%lf");
    in.messageType = "Plovan SMT";
    in.format = &f;
    const DepthLineResult r = Run("$PLSMT01,4.0,12.6");
    ASSERT_TRUE(r.batteryVolts);
    EXPECT_DOUBLE_EQ(*r.batteryVolts, 12.6);
}

TEST_F(Depth, CorruptMarkedLineIsAFailedParse) {
    in.corrupt = true;
    state.DepthHigh = 3;
    const DepthLineResult r = Run("$SDDPT,12.5*00");
    EXPECT_EQ(r.parse, DepthLineResult::Parse::Failed);
    EXPECT_EQ(r.statusText, "[CORRUPT] $SDDPT,12.5*00");
    EXPECT_EQ(state.DepthHigh, 0);
    EXPECT_FALSE(r.csvRow);
}

TEST_F(Depth, BadInputsGiveOneNoteEachAndRowsGoOn) {
    SBESFormat refused("%*6s,%x");
    in.messageType = "OTHER";
    in.format = &refused;
    DepthLineResult r = Run("$SDDPT,1.0");
    EXPECT_EQ(r.parse, DepthLineResult::Parse::Failed);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].first, DepthNote::FormatRefused);
    EXPECT_NE(r.notes[0].second.find(refused.Error()), std::string::npos);
    EXPECT_TRUE(Run("$SDDPT,1.0").notes.empty());

    in.messageType = "NMEA DPT";
    in.format = &format;
    in.draft = std::nullopt;
    in.alertDepth = std::nullopt;
    r = Run("$SDDPT,2.0");
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_DOUBLE_EQ(state.DepthHigh, 2.5);  // the last numeric draft
    EXPECT_TRUE(r.csvRow);
    EXPECT_TRUE(Run("$SDDPT,2.0").notes.empty());
    // Once the text is a number again, a later fault is said again.
    in.draft = 0.5;
    Run("$SDDPT,2.0");
    in.draft = std::nullopt;
    EXPECT_EQ(Run("$SDDPT,2.0").notes.size(), 1u);
}

TEST_F(Depth, NoValidSoundVelocityUsesNoCorrection) {
    state.ManualSoundVelocity = 0;
    in.draft = 0;
    DepthLineResult r = Run("$SDDPT,10");
    EXPECT_DOUBLE_EQ(state.DepthHigh, 10);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].first, DepthNote::NoSoundVelocity);
    EXPECT_TRUE(Run("$SDDPT,10").notes.empty());
}

TEST_F(Depth, RepeatedValuesKeepTheirTextPerDecimals) {
    // The same value at 10 and at 2 decimals, and values changing between
    // rows: each field is its own value's text, whatever was converted before.
    DepthLineResult r;
    const std::pair<double, const char*> rows[] = {
        {1.25, "1.2500000000,1.2500000000,1.25,1.25"},
        {-0.005, "-0.0050000000,-0.0050000000,-0.01,-0.01"},
        {1.25, "1.2500000000,1.2500000000,1.25,1.25"},
        {0.0, "0.0000000000,0.0000000000,0.00,0.00"},
    };
    for (const auto& [value, want] : rows) {
        SCOPED_TRACE(want);
        state.GnssLatitude = state.GnssLongitude = value;
        in.grid = GridFix{value, value, 0};
        const std::string row = BuildRawCsvRow(state, r, in);
        EXPECT_EQ(row.substr(std::string("2026-12-10 093005123,").size(), std::string(want).size()),
                  want);
    }
}

TEST(DepthHeader, EighteenFields) {
    const std::string header = kRawCsvHeader;
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), 17);
    EXPECT_NE(header.find(",GPS, RTK Antenna Height,"), std::string::npos);
}

}  // namespace
