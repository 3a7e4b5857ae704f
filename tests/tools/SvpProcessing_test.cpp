#include "tools/SvpProcessing.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "platform/VclText.h"
#include "tools/SvpMessages.h"

namespace {

using Lines = std::vector<std::string>;

struct Warning {
    double sv;
    int line;
};

// Step 1 with a recorded warning box answering `goOn`.
TSvpExtraction Extract(const Lines& source, const std::string& format, bool svFirst,
                       std::vector<Warning>* warnings = nullptr, bool goOn = true) {
    return ExtractSamples(source, format, svFirst, [&](double sv, int line) {
        if (warnings) warnings->push_back({sv, line});
        return goOn;
    });
}

// The three steps one after the other.
TSvpColumnBuild Process(const Lines& source, const std::string& format, bool svFirst,
                        int maxDepth) {
    const TSvpExtraction extraction = Extract(source, format, svFirst);
    EXPECT_EQ(extraction.formatError, "");
    return BuildSvColumn(AverageByMetre(extraction.extracted, maxDepth), maxDepth);
}

TEST(SvpExtraction, DefaultFormatReadsBothOrders) {
    std::vector<Warning> warnings;
    const Lines source = {"10:00:00.000 1500.25,3.7"};
    EXPECT_EQ(Extract(source, kSvpDefaultSearchString, true).extracted, Lines{"4,1500.250"});
    const TSvpExtraction depthFirst = Extract(source, kSvpDefaultSearchString, false, &warnings);
    EXPECT_TRUE(depthFirst.extracted.empty());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].sv, 3.7);
    EXPECT_EQ(warnings[0].line, 1);
    EXPECT_EQ(svpmsg::SampleOutOfRange(true, 3.7, 1),
              "Value exceeds SV range! Please correct 3.7 value at line 1 in source file. This "
              "line will be skipped.");
}

TEST(SvpExtraction, RoundingRangeAndSkippedLines) {
    struct Case {
        std::string line;
        std::string expected;  // empty: nothing extracted
    } cases[] = {
        {"t 1500.0625,2.5", "3,1500.063"},  // halves away from zero
        {"t 1350,0", "0,1350.000"},         // bounds included
        {"t 1600,0.49", "0,1600.000"},
        {"t 1349.999,1", ""},
        {"t 1600.001,1", ""},
        {"Time SV,Depth", ""},  // header: fewer than two values
        {"t NaN,3", ""},        // exported casts write NaN
        {"t 1500,nan", ""},
        {"t 1500,inf", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::vector<Warning> warnings;
        const TSvpExtraction got = Extract({c.line}, "%*s %lf,%lf", true, &warnings);
        EXPECT_EQ(got.extracted, c.expected.empty() ? Lines{} : Lines{c.expected}) << c.line;
    }
}

TEST(SvpExtraction, CancelKeepsTheLinesSoFar) {
    const Lines source = {"a 1500,1", "b 1700,2", "c 1501,3"};
    std::vector<Warning> warnings;
    const TSvpExtraction stopped = Extract(source, "%*s %lf,%lf", true, &warnings, false);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.extracted, Lines{"1,1500.000"});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].line, 2);
    EXPECT_EQ(Extract(source, "%*s %lf,%lf", true).extracted, (Lines{"1,1500.000", "3,1501.000"}));
}

TEST(SvpExtraction, UnsafeFormatsAreRefusedBeforeAnyLine) {
    int asked = 0;
    for (const std::string format :
         {"%s%s", "%lf,%lf,%lf", "%lf", "%d,%lf", "%x %lf", "%n%lf%lf", "%lf,%lf%", "%f,%f"}) {
        const TSvpExtraction got = ExtractSamples({"1500,3,4", "x 1500,3"}, format, true,
                                                  [&](double, int) { return ++asked, true; });
        EXPECT_FALSE(got.formatError.empty()) << format;
        EXPECT_TRUE(got.extracted.empty()) << format;
    }
    EXPECT_EQ(asked, 0);
}

TEST(SvpMaxDepth, WholeNumbersFrom0To12000) {
    EXPECT_EQ(ReadMaxDepth("0"), 0);
    EXPECT_EQ(ReadMaxDepth("12000"), 12000);
    EXPECT_EQ(ReadMaxDepth("200"), 200);
    EXPECT_EQ(ReadMaxDepth("-1"), std::nullopt);
    EXPECT_EQ(ReadMaxDepth("20000"), std::nullopt);
    EXPECT_EQ(ReadMaxDepth("2000000000"), std::nullopt);
    EXPECT_THROW(ReadMaxDepth("2.5"), platform::EConvertError);
    try {
        ReadMaxDepth("abc");
        ADD_FAILURE();
    } catch (const platform::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(SvpAveraging, TheRunningAverageCarriesTheStoredRounding) {
    EXPECT_EQ(AverageByMetre({"3,1500.000"}, 3)[3], "3,1500.000,1");
    EXPECT_EQ(AverageByMetre({"3,1500.000", "3,1502.000"}, 3)[3], "3,1501.00,2");
    // (2 * 1500.33 + 1500) / 3 from the stored "1500.33", not from 1500.333...
    const Lines three = AverageByMetre({"0,1500.000", "0,1501.000", "0,1500.000"}, 0);
    EXPECT_EQ(three, Lines{"0,1500.33,3"});
    const Lines four = AverageByMetre({"0,1500.000", "0,1501.000", "0,1500.000", "0,1500.000"}, 0);
    EXPECT_EQ(four, Lines{"0,1500.25,4"});  // (3 * 1500.33 + 1500) / 4 = 1500.2475
}

TEST(SvpAveraging, FillsBelowTheDeepestAndLeavesGapsAbove) {
    const Lines averaged = AverageByMetre({"0,1500.000", "2,1510.000"}, 5);
    EXPECT_EQ(averaged, (Lines{"0,1500.000,1", "", "2,1510.000,1", "3,1510.00,0", "4,1510.00,0",
                               "5,1510.00,0"}));
    const TSvpColumnBuild column = BuildSvColumn(averaged, 5);
    ASSERT_EQ(column.status, TSvpColumnBuild::Done);
    EXPECT_EQ(column.column,
              (Lines{"1500.00", "1500.00", "1503.33", "1505.00", "1506.00", "1506.67"}));
}

TEST(SvpAveraging, DepthsOutsideTheListAndUnreadableLines) {
    // Deeper than MaxDepth: no line, but it is the deepest sample, so nothing
    // is filled below depth 1.
    EXPECT_EQ(AverageByMetre({"1,1500.000", "9,1520.000"}, 3), (Lines{"", "1,1500.000,1", "", ""}));
    // A negative depth has no line and is not the deepest sample.
    EXPECT_EQ(AverageByMetre({"-2,1400.000", "1,1500.000"}, 2),
              (Lines{"", "1,1500.000,1", "2,1500.00,0"}));
    // No usable line: MaxDepth + 1 empty lines, which step 3 refuses.
    const Lines empty = AverageByMetre({"x", "-1,1500.000"}, 2);
    EXPECT_EQ(empty, (Lines{"", "", ""}));
    EXPECT_EQ(BuildSvColumn(empty, 2).status, TSvpColumnBuild::ZeroDepthBlank);
    EXPECT_EQ(AverageByMetre({"0,1500.000"}, 0), Lines{"0,1500.000,1"});
}

TEST(SvpColumn, MeansOverTheMetresAbove) {
    const TSvpColumnBuild built =
        BuildSvColumn({"0,1500.00,1", "1,1510.00,1", "", "3,1520.00,1"}, 3);
    ASSERT_EQ(built.status, TSvpColumnBuild::Done);
    EXPECT_EQ(built.column, (Lines{"1500.00", "1505.00", "1506.67", "1510.00"}));
}

TEST(SvpColumn, EmptyLineZeroStopsWhateverFollows) {
    EXPECT_EQ(BuildSvColumn({"", "1,1500.00,1", "2,1500.00,1"}, 2).status,
              TSvpColumnBuild::ZeroDepthBlank);
    EXPECT_EQ(BuildSvColumn({}, 0).status, TSvpColumnBuild::ZeroDepthBlank);
}

TEST(SvpColumn, RangeBoundsAreOutside) {
    struct Case {
        Lines averaged;
        TSvpColumnBuild::Status status;
        int failedDepth;
    } cases[] = {
        {{"0,1300.00,1"}, TSvpColumnBuild::OutOfRange, 0},
        {{"0,1700.00,1"}, TSvpColumnBuild::OutOfRange, 0},
        {{"0,1300.01,1"}, TSvpColumnBuild::Done, 0},
        {{"0,1699.99,1"}, TSvpColumnBuild::Done, 0},
        {{"0,1500.00,1", "1,1800.00,1"}, TSvpColumnBuild::OutOfRange, 1},  // the value
        {{"0,1699.00,1", "1,1699.99,1", "2,1690,1"}, TSvpColumnBuild::Done, 0},
        // A mean of 1699.996 would be written "1700.00".
        {{"0,1699.996,1"}, TSvpColumnBuild::OutOfRange, 0},
    };
    for (const Case& c : cases) {
        const TSvpColumnBuild got =
            BuildSvColumn(c.averaged, static_cast<int>(c.averaged.size()) - 1);
        EXPECT_EQ(got.status, c.status) << c.averaged[0];
        if (c.status == TSvpColumnBuild::OutOfRange) {
            EXPECT_EQ(got.failedDepth, c.failedDepth);
            EXPECT_TRUE(got.column.empty());
        }
    }
}

TEST(SvpColumn, LinesGoToTheDepthTheyRead) {
    // The graph writes one line per point and none for gaps.
    const Lines fromGraph = {"0,1500.00,1", "2,1520.00,1"};
    const TSvpColumnBuild built = BuildSvColumn(fromGraph, 2);
    ASSERT_EQ(built.status, TSvpColumnBuild::Done);
    EXPECT_EQ(built.column, (Lines{"1500.00", "1500.00", "1506.67"}));
    // Out-of-range depths are ignored; a repeated depth: the later line wins;
    // order does not matter.
    const TSvpColumnBuild shuffled =
        BuildSvColumn({"2,1520.00,1", "7,1600,1", "-1,1400,1", "0,1400.00,1", "0,1500.00,1"}, 2);
    EXPECT_EQ(shuffled.column, (Lines{"1500.00", "1500.00", "1506.67"}));
}

TEST(SvpDetection, SemicolonHeader) {
    const auto found = DetectScanFormat(
        {"Cast 12", "Time;Pressure (dbar);Temp;SV (m/s)", "10:00;1.5;14.2;1505.1"});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->headerLine, 2);
    EXPECT_EQ(found->delimiter, ';');
    EXPECT_EQ(found->depthColumn + 1, 2);
    EXPECT_EQ(found->svColumn + 1, 4);
    EXPECT_FALSE(found->svFirst);
    EXPECT_EQ(found->format, "%*[^;];%lf;%*[^;];%lf");
    EXPECT_EQ(svpmsg::AutoDetected(true, *found),
              "Auto-detected format:\n- Header at line: 2\n- Delimiter: ;\n- SV column: 4\n- "
              "Pressure column: 2\n- Search string: %*[^;];%lf;%*[^;];%lf");
}

TEST(SvpDetection, CommaTabAndFailures) {
    const auto comma = DetectScanFormat({"date,time,Sound Velocity,temp,depth"});
    ASSERT_TRUE(comma);
    EXPECT_EQ(comma->format, "%*[^,],%*[^,],%lf,%*[^,],%lf");
    EXPECT_TRUE(comma->svFirst);
    const auto tab = DetectScanFormat({"Depth\tSV"});
    ASSERT_TRUE(tab);
    EXPECT_EQ(tab->format, "%lf\t%lf");
    EXPECT_EQ(svpmsg::AutoDetected(true, *tab).find("- Delimiter: TAB\n") != std::string::npos,
              true);
    // One piece naming both columns, and headers missing a column.
    EXPECT_FALSE(DetectScanFormat({"Time,SV Depth,Temp"}));
    EXPECT_FALSE(DetectScanFormat({"Time,SV,Temp", "1,2,3"}));
    EXPECT_FALSE(DetectScanFormat({}));
    // A delimiter only at the line's end adds no column; an empty piece is one.
    const auto gaps = DetectScanFormat({"depth,,sv,"});
    ASSERT_TRUE(gaps);
    EXPECT_EQ(gaps->svColumn, 2);
    EXPECT_EQ(gaps->format, "%lf,%*[^,],%lf");
}

TEST(SvpDetection, UpperCasingIsAsciiUnderATurkishLocale) {
    const char* old = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_CTYPE, "tr_TR.UTF-8")) GTEST_SKIP() << "no Turkish locale";
    const auto found = DetectScanFormat({"time,velocity,pressure"});
    std::setlocale(LC_CTYPE, saved.c_str());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->svColumn, 1);
}

// Casts written as the instruments export them; the column is the oracle.
TEST(SvpCasts, ThreeLayoutsGiveTheirColumns) {
    // A mixed layer of 1510 m/s over a thermocline, default layout.
    Lines mixed;
    for (int d = 0; d <= 4; ++d)
        mixed.push_back("2024-05-01T10:00:0" + std::to_string(d) + " 1510.0," + std::to_string(d));
    mixed.push_back("2024-05-01T10:00:05 1490.0,5");
    mixed.push_back("2024-05-01T10:00:06 1480.0,6");
    const TSvpColumnBuild a = Process(mixed, kSvpDefaultSearchString, true, 7);
    ASSERT_EQ(a.status, TSvpColumnBuild::Done);
    EXPECT_EQ(a.column, (Lines{"1510.00", "1510.00", "1510.00", "1510.00", "1510.00", "1506.67",
                               "1502.86", "1500.00"}));

    // A fresh surface lens, ";" header, pressure before SV.
    const Lines lens = {"Time;Pressure (dbar);Temp;SV (m/s)",
                        "10:00;0.2;18.0;1470.0",
                        "10:01;0.9;18.0;1470.0",
                        "10:02;1.1;12.0;1500.0",
                        "10:03;2.0;12.0;1500.0",
                        "10:04;3.0;11.0;1500.0"};
    const auto detected = DetectScanFormat(lens);
    ASSERT_TRUE(detected);
    const TSvpColumnBuild b = Process(lens, detected->format, detected->svFirst, 3);
    ASSERT_EQ(b.status, TSvpColumnBuild::Done);
    // Depth 1 averages 1470 and 1500.
    EXPECT_EQ(b.column, (Lines{"1470.00", "1477.50", "1485.00", "1488.75"}));

    // A constant 1530 m/s, TAB layout.
    Lines constant = {"Depth\tSV"};
    for (int d = 0; d <= 12; ++d) constant.push_back(std::to_string(d) + ".0\t1530.0");
    const auto tab = DetectScanFormat(constant);
    ASSERT_TRUE(tab);
    const TSvpColumnBuild c = Process(constant, tab->format, tab->svFirst, 20);
    ASSERT_EQ(c.status, TSvpColumnBuild::Done);
    EXPECT_EQ(c.column, Lines(21, "1530.00"));
}

TEST(SvpCasts, SameListsUnderATurkishNumericLocale) {
    const Lines cast = {"x 1500.5,0.4", "x 1501.25,1.6", "x 1502.75,1.2"};
    const auto run = [&] {
        const TSvpExtraction e = Extract(cast, kSvpDefaultSearchString, true);
        const Lines averaged = AverageByMetre(e.extracted, 3);
        Lines all = e.extracted;
        all.insert(all.end(), averaged.begin(), averaged.end());
        const TSvpColumnBuild column = BuildSvColumn(averaged, 3);
        all.insert(all.end(), column.column.begin(), column.column.end());
        return all;
    };
    const Lines inC = run();
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "tr_TR.UTF-8")) GTEST_SKIP() << "no Turkish locale";
    const Lines inTurkish = run();
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(inTurkish, inC);
    EXPECT_EQ(inC[0], "0,1500.500");
}

}  // namespace
