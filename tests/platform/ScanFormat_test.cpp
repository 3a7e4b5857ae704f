#include "platform/ScanFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

using platform::ScanField;
using platform::ScanFormat;
using platform::ScanKind;

namespace {

const std::initializer_list<ScanKind> kAll = {ScanKind::Double, ScanKind::Float, ScanKind::Int,
                                              ScanKind::String, ScanKind::Char,  ScanKind::Set};

// The C library as the oracle: a format with up to three stored conversions
// of one kind each, formats written here, never taken from input.
struct OracleCase {
    const char* format;
    const char* input;
};

int CScan(const OracleCase& c, const std::vector<ScanKind>& kinds, std::vector<std::string>& out) {
    double d[3] = {};
    float f[3] = {};
    int i[3] = {};
    char s[3][64] = {};
    void* args[3];
    for (size_t k = 0; k < kinds.size(); ++k) {
        switch (kinds[k]) {
            case ScanKind::Double:
                args[k] = &d[k];
                break;
            case ScanKind::Float:
                args[k] = &f[k];
                break;
            case ScanKind::Int:
                args[k] = &i[k];
                break;
            default:
                args[k] = s[k];
                break;
        }
    }
    const int n = std::sscanf(c.input, c.format, args[0], args[1], args[2]);
    for (int k = 0; k < n; ++k) {
        switch (kinds[k]) {
            case ScanKind::Double:
                out.push_back(std::to_string(d[k]));
                break;
            case ScanKind::Float:
                out.push_back(std::to_string(double(f[k])));
                break;
            case ScanKind::Int:
                out.push_back(std::to_string(i[k]));
                break;
            default:
                out.push_back(s[k]);
                break;
        }
    }
    return n;
}

std::string Text(const ScanField& f) {
    switch (f.kind) {
        case ScanKind::Double:
        case ScanKind::Float:
            return std::to_string(f.number);
        case ScanKind::Int:
            return std::to_string(f.integer);
        default:
            return f.text;
    }
}

}  // namespace

TEST(ScanFormat, AgreesWithTheCLibraryOnPlainInput) {
    std::setlocale(LC_NUMERIC, "C");
    const OracleCase cases[] = {
        {"%lf,%lf", "12.5,1500.25"},
        {"%lf %lf", "  3   4e2"},
        {"%lf%lf", "1.5 -2."},
        {"%lf,%lf", "12.5;3"},
        {"%lf", "   "},
        {"%lf", ""},
        {"%lf", "abc"},
        {"%lf", ".5x"},
        {"%lf", "1e+"},
        {"%lf", "-.25E-1rest"},
        {"%3lf%lf", "12345"},
        {"%f,%f", "0.1,7"},
        {"%d,%d", "+12,-7"},
        {"%d%d", "12 x"},
        {"%2d%d", "12345"},
        {"DPT,%lf", "DPT,12.3"},
        {"DPT,%lf", "DBT,12.3"},
        {"$SDDPT,%lf", "$SDDPT,3.4,0.5*55"},
        {"%*s %lf", "depth 12.5"},
        {"%*d,%lf,%lf", "7,1,2"},
        {"%s %s", "one two three"},
        {"%3s%s", "abcdef"},
        {"%c%c", " xy"},
        {"%3c", "abcd"},
        {"%[^,],%lf", "name,4.5"},
        {"%[a-c]%s", "abcabcdz"},
        {"%[]a]%s", "]a]b c"},
        {"%d%%%d", "5% 6"},
        {"%d %%%d", "5 %6"},
        {"x%d", ""},
        {"x%d", "y5"},
        {"%d,", "5"},
        {" %d", "\t\r\n 42"},
        {"%lf%n", "1"},  // rejected by ours: compared only as invalid below
    };
    for (const OracleCase& c : cases) {
        const ScanFormat format = ScanFormat::Compile(c.format, kAll);
        if (std::string(c.format).find("%n") != std::string::npos) {
            EXPECT_FALSE(format.Valid()) << c.format;
            continue;
        }
        ASSERT_TRUE(format.Valid()) << c.format << ": " << format.Error();
        std::vector<std::string> expected;
        const int expectedCount = CScan(c, format.Stored(), expected);
        std::vector<ScanField> fields;
        const int count = format.Scan(c.input, fields);
        EXPECT_EQ(count, expectedCount) << c.format << " on \"" << c.input << "\"";
        std::vector<std::string> got;
        for (const ScanField& f : fields) got.push_back(Text(f));
        EXPECT_EQ(got, expected) << c.format << " on \"" << c.input << "\"";
    }
}

TEST(ScanFormat, RefusesWhatItDoesNotSupportOrMayNotStore) {
    const char* invalid[] = {"%x", "%ld", "%p", "%n",    "%1$d", "%le",  "%g",
                             "%u", "%0d", "%",  "%[abc", "%5",   "%hhd", "abc%"};
    for (const char* f : invalid) {
        const ScanFormat format = ScanFormat::Compile(f, kAll);
        EXPECT_FALSE(format.Valid()) << f;
        EXPECT_FALSE(format.Error().empty()) << f;
        std::vector<ScanField> fields;
        EXPECT_EQ(format.Scan("1 2 3", fields), -1) << f;
    }
    // A caller that takes numbers only refuses a stored string, not a skipped one.
    EXPECT_FALSE(ScanFormat::Compile("%s,%lf", {ScanKind::Double}).Valid());
    const ScanFormat skipping = ScanFormat::Compile("%*s %lf", {ScanKind::Double});
    ASSERT_TRUE(skipping.Valid());
    EXPECT_EQ(skipping.Stored(), std::vector<ScanKind>{ScanKind::Double});
}

TEST(ScanFormat, NumbersAreFiniteAndLocaleFree) {
    const ScanFormat format = ScanFormat::Compile("%lf", {ScanKind::Double});
    std::vector<ScanField> fields;
    for (const char* text : {"nan", "inf", "-inf", "infinity", "1e400", "-1e999"})
        EXPECT_EQ(format.Scan(text, fields), 0) << text;
    ASSERT_EQ(format.Scan("0x1p3", fields), 1);  // no hex: the number is the leading 0
    EXPECT_EQ(fields[0].number, 0.0);
    const ScanFormat single = ScanFormat::Compile("%f", {ScanKind::Float});
    EXPECT_EQ(single.Scan("1e300", fields), 0);
    const ScanFormat integer = ScanFormat::Compile("%d", {ScanKind::Int});
    EXPECT_EQ(integer.Scan("99999999999", fields), 0);

    // A comma never stands for the decimal point, whatever the C locale says.
    if (std::setlocale(LC_NUMERIC, "tr_TR.UTF-8")) {
        ASSERT_EQ(format.Scan("12.75", fields), 1);
        EXPECT_EQ(fields[0].number, 12.75);
        ASSERT_EQ(format.Scan("12,75", fields), 1);
        EXPECT_EQ(fields[0].number, 12.0);
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(ScanFormat, StopsAtANulByteAsCDoes) {
    const ScanFormat format = ScanFormat::Compile("%lf,%lf", {ScanKind::Double});
    std::vector<ScanField> fields;
    EXPECT_EQ(format.Scan(std::string("1.5,\0"
                                      "2",
                                      6),
                          fields),
              1);
}

TEST(ScanDouble, TakesTheLeadingNumber) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {{"1500", true, 1500}, {" 1.25m", true, 1.25}, {"-0.5", true, -0.5},
                 {"", false, 0},       {"abc", false, 0},      {"nan", false, 0},
                 {"1e999", false, 0},  {".", false, 0},        {"+3e2", true, 300}};
    for (const Case& c : cases) {
        double value = -99;
        EXPECT_EQ(platform::ScanDouble(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}
