// The echo-sounder message table, the format a type choice leaves in the
// edit, and the compiled format with its limits.
#include "devices/EchoSounderFormats.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(EchoSounderFormats, TypesMatchExactly) {
    ASSERT_NE(FindSBESMessageType("Plovan XDR H/L"), nullptr);
    EXPECT_EQ(FindSBESMessageType("Plovan XDR H/L")->format, "%*8s,%lf,%*8s,%lf");
    EXPECT_EQ(FindSBESMessageType("Plovan XDR H/L")->layout, SBESLayout::TwoDepth);
    EXPECT_EQ(FindSBESMessageType("NMEA DBT")->format, "%*6s,%*lf,%*1s,%lf");
    EXPECT_EQ(FindSBESMessageType("NMEA DBT")->layout, SBESLayout::OneDepth);
    EXPECT_EQ(FindSBESMessageType("ODC HI")->format, "%*42s,%lf");
    EXPECT_EQ(FindSBESMessageType("nmea dpt"), nullptr);
    EXPECT_EQ(FindSBESMessageType("NMEA DPT "), nullptr);
    EXPECT_EQ(FindSBESMessageType(""), nullptr);
}

TEST(EchoSounderFormats, FormatAfterAChoice) {
    struct Row {
        const char* type;
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {"Plovan SMT", "%*8s,%lf", "%*8s,%lf,%lf"},
        {"NMEA DPT", "my own %lf", "%*6s,%lf"},  // a hand-edited format is replaced
        {"Plovan XDR LO", "", "%*8s,%*lf,%*8s,%lf"},
        {"plovan smt", "mine", "mine"},  // not a listed type: nothing changes
        {"OTHER", "", "%*10s,%lf"},
        {"OTHER", "%*6s,%lf", "%*10s,%lf"},
        {"OTHER", "%*4s;%lf", "%*4s;%lf"},  // the surveyor's own format stays
        {"OTHER", "%*10s,%lf", "%*10s,%lf"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatAfterTypeChoice(row.type, row.before), row.after)
            << row.type << " / " << row.before;
}

TEST(EchoSounderFormats, CompiledFormats) {
    for (const SBESMessageType& type : kSBESMessageTypes) {
        if (type.format.empty()) continue;
        const SBESFormat format(type.format);
        EXPECT_TRUE(format.Valid()) << type.format << ": " << format.Error();
    }
    EXPECT_EQ(SBESFormat("%*8s,%lf,%lf").StoredCount(), 2);
    EXPECT_EQ(SBESFormat("%*6s,%*lf,%*1s,%lf").StoredCount(), 1);

    std::vector<platform::ScanField> fields;
    const SBESFormat smt("%*8s,%lf,%lf");
    ASSERT_EQ(smt.Scan("$SMT1234,12.5,11.9", fields), 2);
    EXPECT_EQ(fields[0].number, 12.5);
    EXPECT_EQ(fields[1].number, 11.9);
    const SBESFormat dpt("%*6s,%lf");
    EXPECT_EQ(dpt.Scan("$SDDPT,nan,0.5*7B", fields), 0);

    // Formats that could overwrite memory or store the wrong kind are
    // refused, with a reason, and scan nothing.
    for (const char* refused :
         {"%*8s,%lf,%lf,%lf", "%s", "%*6s,%lf%n", "%d", "%*6s,%f", "%x", "%*6s,%lf,%", "%5$lf"}) {
        const SBESFormat format(refused);
        EXPECT_FALSE(format.Valid()) << refused;
        EXPECT_FALSE(format.Error().empty()) << refused;
        EXPECT_EQ(format.Scan("$SDDPT,12.5,0.5", fields), -1) << refused;
        EXPECT_EQ(format.StoredCount(), 0) << refused;
    }
}

// Each listed format on lines of its kind, against the C library with the
// same fixed format: the same count and the same numbers.
TEST(EchoSounderFormats, ListedFormatsReadAsTheCLibrary) {
    struct Row {
        const char* type;
        const char* line;
        int count;
        double first, second;
    };
    const Row rows[] = {
        {"NMEA DPT", "$SDDPT,12.48,0.50*6D", 1, 12.48, 0},
        {"NMEA DPT", "$IIDPT,3.1,-0.3,100.0*6F", 1, 3.1, 0},
        {"NMEA DPT", "$SDDPT,7.5,*7B", 1, 7.5, 0},
        {"NMEA DBT", "$SDDBT,40.9,f,12.48,M,6.8,F*3A", 1, 12.48, 0},
        // An empty feet field fails the skipped number: no depth.
        {"NMEA DBT", "$SDDBT,,f,12.48,M,6.8,F*29", 0, 0, 0},
        {"Plovan SMT", "$SMT1234,12.48,11.92", 2, 12.48, 11.92},
        {"Plovan SMT", "$SMT1234,12.48", 1, 12.48, 0},
        {"Plovan XDR HI", "$XDHI001,12.48", 1, 12.48, 0},
        {"Plovan XDR LO", "$XDHI001,12.48,$XDLO001,13.02", 1, 13.02, 0},
        {"Plovan XDR H/L", "$XDHI001,12.48,$XDLO001,13.02", 2, 12.48, 13.02},
        {"ODC HI", "$PODC,00001,20260102,101112.50,HF,200kHz,B,12.48", 1, 12.48, 0},
    };
    std::vector<platform::ScanField> fields;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.type) + " " + row.line);
        const std::string format(FindSBESMessageType(row.type)->format);
        const SBESFormat compiled(format);
        ASSERT_EQ(compiled.Scan(row.line, fields), row.count);
        double a = 0, b = 0;
        EXPECT_EQ(std::sscanf(row.line, format.c_str(), &a, &b), row.count);
        if (row.count >= 1) {
            EXPECT_EQ(fields[0].number, row.first);
            EXPECT_EQ(fields[0].number, a);
        }
        if (row.count >= 2) {
            EXPECT_EQ(fields[1].number, row.second);
            EXPECT_EQ(fields[1].number, b);
        }
    }
    // "OTHER" with a format that finds the feet marker reads both forms.
    const SBESFormat other("%*[^f]f,%lf");
    ASSERT_EQ(other.Scan("$SDDBT,,f,12.48,M,6.8,F*29", fields), 1);
    EXPECT_EQ(fields[0].number, 12.48);
    ASSERT_EQ(other.Scan("$SDDBT,40.9,f,12.48,M,6.8,F*3A", fields), 1);
    EXPECT_EQ(fields[0].number, 12.48);
}
