#include "platform/VclText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace platform;

namespace {

struct FloatCase {
    double value;
    FloatFormat format;
    int precision, digits;
    const char* expected;
};

const std::vector<FloatCase> kFloatCases = {
    {7.25, FloatFormat::Fixed, 15, 1, "7.3"},
    {-7.25, FloatFormat::Fixed, 15, 1, "-7.3"},
    {2.5, FloatFormat::Fixed, 15, 0, "3"},
    {0.15, FloatFormat::Fixed, 15, 1, "0.1"},  // 0.1499999... in binary
    {1234.5, FloatFormat::General, 15, 0, "1234.5"},
    {0.1, FloatFormat::General, 15, 0, "0.1"},
    {1.0 / 3.0, FloatFormat::General, 15, 0, "0.333333333333333"},
    {100.0, FloatFormat::General, 15, 0, "100"},
    {0.00001, FloatFormat::General, 15, 0, "0.00001"},
    {0.0000012, FloatFormat::General, 15, 0, "1.2E-6"},
    {1e20, FloatFormat::General, 15, 0, "1E20"},
    {123456789012345.0, FloatFormat::General, 15, 0, "123456789012345"},
    {0.0, FloatFormat::General, 15, 0, "0"},
    {-0.0, FloatFormat::Fixed, 15, 2, "0.00"},
    {-0.001, FloatFormat::Fixed, 15, 2, "0.00"},
    {4484124.43, FloatFormat::Fixed, 20, 2, "4484124.43"},
    {41.0, FloatFormat::Fixed, 20, 8, "41.00000000"},
    {0.99999, FloatFormat::Fixed, 18, 4, "1.0000"},
    {1234567.891, FloatFormat::Number, 15, 2, "1,234,567.89"},
    {1e21, FloatFormat::Fixed, 15, 2, "1E21"},
    {12345.678, FloatFormat::Exponent, 4, 2, "1.235E+04"},
    {std::numeric_limits<double>::quiet_NaN(), FloatFormat::General, 15, 0, "NAN"},
    {-std::numeric_limits<double>::infinity(), FloatFormat::Fixed, 15, 2, "-INF"},
};

struct PictureCase {
    const char* picture;
    double value;
    const char* expected;
};

const std::vector<PictureCase> kPictureCases = {
    {"0.00", 3.14159, "3.14"},
    {"0.00", 2.005, "2.00"},
    {"0.00", 7.125, "7.13"},
    {"0.#", 7.0, "7"},
    {"0.#", 7.25, "7.3"},
    {"0.###", 1.5, "1.5"},
    {"###,###,##0", 1234567.0, "1,234,567"},
    {"###,###,##0", 0.0, "0"},
    {"###,###,###,##0", 12.6, "13"},
    {"0.0", -0.04, "0.0"},
    {"0.0", -1.25, "-1.3"},
    {"#.##", 0.5, ".5"},
    {"00", 7.0, "07"},
    {"0.00 m", 1.0, "1.00 m"},
    {"0.0;(0.0)", -2.0, "(2.0)"},
    {"0.00000000", 41.123456789, "41.12345679"},
};

std::vector<std::string> FormatAll() {
    std::vector<std::string> out;
    for (const auto& c : kFloatCases)
        out.push_back(FloatToStrF(c.value, c.format, c.precision, c.digits));
    for (const auto& c : kPictureCases) out.push_back(FormatFloat(c.picture, c.value));
    out.push_back(DateTimeToStr({2025, 3, 7, 9, 30, 5, 123}));
    out.push_back(FloatToStr(StrToFloatDef("1.5", 0)));
    return out;
}

}  // namespace

TEST(VclText, FloatToStrFTable) {
    for (const auto& c : kFloatCases)
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.expected)
            << "value " << c.value << " precision " << c.precision << " digits " << c.digits;
}

TEST(VclText, FormatFloatPictures) {
    for (const auto& c : kPictureCases)
        EXPECT_EQ(FormatFloat(c.picture, c.value), c.expected) << c.picture << " " << c.value;
}

TEST(VclText, ParsingFollowsThePlainGrammar) {
    EXPECT_EQ(StrToFloatDef("12.5", -1), 12.5);
    EXPECT_EQ(StrToFloatDef(" -3e2 ", -1), -300);
    EXPECT_EQ(StrToFloatDef(".5", -1), 0.5);
    EXPECT_EQ(StrToFloatDef("+2.", -1), 2.0);
    for (const char* bad :
         {"", "abc", "nan", "inf", "-INF", "0x10", "1,5", "1.5x", "e5", "1e", "."})
        EXPECT_EQ(StrToFloatDef(bad, -1), -1) << bad;
    EXPECT_EQ(StrToIntDef("42", 0), 42);
    EXPECT_EQ(StrToIntDef("-7", 0), -7);
    EXPECT_EQ(StrToIntDef("0x1F", 0), 31);
    EXPECT_EQ(StrToIntDef("$ff", 0), 255);
    for (const char* bad : {"", "abc", "1.5", "99999999999", "12a"})
        EXPECT_EQ(StrToIntDef(bad, 40), 40) << bad;
}

TEST(VclText, ThrowingConversionsCarryTheClassLibraryText) {
    EXPECT_EQ(StrToInt(" -12 "), -12);
    EXPECT_EQ(StrToFloat("1.5"), 1.5);
    const auto message = [](auto convert, const char* text) {
        try {
            convert(text);
        } catch (const EConvertError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(StrToInt, "12a"), "'12a' is not a valid integer value");
    EXPECT_EQ(message(StrToInt, "99999999999"), "'99999999999' is not a valid integer value");
    EXPECT_EQ(message(StrToFloat, ""), "'' is not a valid floating point value");
    EXPECT_EQ(message(StrToFloat, "1.5m"), "'1.5m' is not a valid floating point value");
}

TEST(VclText, DateTimePatterns) {
    const DateTime t{2025, 3, 7, 9, 5, 3, 7};
    EXPECT_EQ(FormatDateTime("YYYY-MM-DD", t), "2025-03-07");
    EXPECT_EQ(FormatDateTime("yyyy-MM-dd", t), "2025-03-07");
    EXPECT_EQ(FormatDateTime("hhnnsszzz", t), "090503007");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", t), "09:05:03");
    EXPECT_EQ(FormatDateTime("HH:nn:ss.zzz", t), "09:05:03.007");
    EXPECT_EQ(FormatDateTime("hh:mm", t), "09:05");  // mm after hh is minutes
    EXPECT_EQ(FormatDateTime("d mmm yy", t), "7 Mar 25");
    EXPECT_EQ(FormatDateTime("dddd", t), "Friday");
    EXPECT_EQ(FormatDateTime("'at' hh", t), "at 09");
    EXPECT_EQ(DateTimeToStr(t), "2025-03-07 090503007");
    EXPECT_EQ(DateTimeToStr({2025, 12, 25, 0, 0, 0, 0}), "2025-12-25");
    EXPECT_EQ(DateTimeToStr({2025, 12, 25, 0, 0, 0, 1}), "2025-12-25 000000001");
}

TEST(VclText, SerialDateRoundTrip) {
    EXPECT_EQ(ToSerialDate({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_EQ(ToSerialDate({2000, 1, 1, 12, 0, 0, 0}), 36526.5);
    const DateTime t{2024, 5, 1, 9, 30, 15, 250};
    EXPECT_EQ(FromSerialDate(ToSerialDate(t)), t);
}

TEST(VclText, SameBytesUnderTurkishLocale) {
    const auto expected = FormatAll();
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "tr_TR.UTF-8")) GTEST_SKIP() << "tr_TR.UTF-8 locale not installed";
    const auto underTurkish = FormatAll();
    std::setlocale(LC_ALL, saved.c_str());
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(underTurkish, expected);
}
