// The echo-sounder message table, the format a type choice leaves in the
// edit, and the compiled format with its limits.
#include "devices/EchoSounderFormats.h"

#include <gtest/gtest.h>

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
