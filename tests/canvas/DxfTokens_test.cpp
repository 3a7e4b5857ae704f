#include "canvas/DxfTokens.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(DxfTokens, TrimRemovesBlanksTabsAndCarriageReturns) {
    std::string line = " \t  10\r";
    DxfTrim(line);
    EXPECT_EQ(line, "10");
    line = "\r\r";
    DxfTrim(line);
    EXPECT_EQ(line, "");
    EXPECT_EQ(DxfTrimView("  a b \t"), "a b");
}

TEST(DxfTokens, NumbersReadTheirLeadingPrefixOnly) {
    const struct {
        const char* text;
        double value;
    } reals[] = {
        {"1.5", 1.5},
        {"  -2.5e3xyz", -2500},
        {"1e", 1},
        {"1e+", 1},
        {".5", 0.5},
        {"-.5e-1", -0.05},
        {"5.", 5},
        {"+3", 3},
        {"", 0},
        {".", 0},
        {"-", 0},
        {"abc", 0},
        {"nan", 0},
        {"inf", 0},
        {"-infinity", 0},
        {"0x1A", 0},
        {"1e999", 0},
        {"12,5", 12},
        {"\t7.25 m", 7.25},
        {"1.2.3", 1.2},
        {"4449960.441", 4449960.441},
    };
    for (const auto& c : reals) {
        const double v = DxfAtof(c.text);
        EXPECT_TRUE(std::isfinite(v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
    const struct {
        const char* text;
        int value;
    } ints[] = {{"0", 0},
                {"  62", 62},
                {"-7", -7},
                {"+5x", 5},
                {"x", 0},
                {"", 0},
                {"1.9", 1},
                {"00", 0},
                {"99999999999", 2147483647},
                {"-99999999999", -2147483647 - 1}};
    for (const auto& c : ints) EXPECT_EQ(DxfAtoi(c.text), c.value) << c.text;
}

TEST(DxfTokens, ColourIndicesFollowTheTable) {
    const struct {
        int index, colour;
    } cases[] = {{0, -1},
                 {256, -1},
                 {257, -1},
                 {-3, -1},
                 {1, 0x0000FF},
                 {2, 0x00FFFF},
                 {3, 0x00FF00},
                 {4, 0xFFFF00},
                 {5, 0xFF0000},
                 {6, 0xFF00FF},
                 {7, 16777215},
                 {8, 0x808080},
                 {9, 0xC0C0C0},
                 {10, 1209002},
                 {255, (53 * 255 % 256) * 65536 + (37 * 255 % 256) * 256 + 17 * 255 % 256}};
    for (const auto& c : cases) EXPECT_EQ(AciToColor(c.index), c.colour) << c.index;
}

TEST(DxfTokens, MTextFormattingIsStripped) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"\\A1;Depth\\Pcontour", "Depth contour"},
        {"{\\fArial|b1;Bold} plain", "Bold plain"},
        {"a\\~b", "a b"},
        {"\\Lunder\\l \\Oover\\o \\Kstrike\\k", "under over strike"},
        {"\\C1;red \\c255;true \\H2.5x;big \\Q15;slant \\T1.1;wide \\W0.8;narrow",
         "red true big slant wide narrow"},
        {"\\pxqc;centred", "centred"},
        {"\\S1^2; and \\S3/4; and \\S5#6;", "1/2 and 3/4 and 5/6"},
        {"\\{braces\\} and back\\\\slash", "{braces} and back\\slash"},
        {"trailing\\", "trailing\\"},
        {"\\Aunterminated", ""},
        {"Şamandıra\\PNo 1", "Şamandıra No 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(DxfStripMText(c.in), c.out) << c.in;
}

TEST(DxfTokens, UnicodeEscapesAndCodePages) {
    EXPECT_EQ(DxfDecodeUnicodeEscapes("\\U+015Eamand\\U+0131ra"), "Şamandıra");
    EXPECT_EQ(DxfDecodeUnicodeEscapes("\\U+12"), "\\U+12");
    EXPECT_EQ(DxfDecodeUnicodeEscapes("\\U+D800x"), "\\U+D800x");
    EXPECT_EQ(DxfDecodeText("\xDE", DxfEncoding::Windows1254), "Ş");
    EXPECT_EQ(DxfDecodeText("\xDE", DxfEncoding::Windows1252), "Þ");
    EXPECT_EQ(DxfDecodeText("\x80", DxfEncoding::Windows1252), "€");

    const std::string old =
        "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n9\n$DWGCODEPAGE\n3\nANSI_"
        "1252\n0\nENDSEC\n1\n\xDE\n";
    EXPECT_EQ(DxfDetectEncoding(old, DxfSplitPairs(old)), DxfEncoding::Windows1252);
    std::string noPage = old;
    noPage.replace(noPage.find("ANSI_1252"), 9, "ANSI_932");
    EXPECT_EQ(DxfDetectEncoding(noPage, DxfSplitPairs(noPage)), DxfEncoding::Windows1254);
    const std::string validUtf8 =
        "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n1\nŞ\n";
    EXPECT_EQ(DxfDetectEncoding(validUtf8, DxfSplitPairs(validUtf8)), DxfEncoding::Utf8);
    std::string modern = old;
    modern.replace(modern.find("AC1009"), 6, "AC1032");
    EXPECT_EQ(DxfDetectEncoding(modern, DxfSplitPairs(modern)), DxfEncoding::Utf8);
}

TEST(DxfTokens, PairsSkipTheByteOrderMarkAndReadCrLf) {
    const auto pairs = DxfSplitPairs("\xEF\xBB\xBF  0\r\nSECTION\r\n 2\r\nENTITIES\r\n10");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].code, 0);
    EXPECT_EQ(pairs[0].value, "SECTION");
    EXPECT_EQ(pairs[1].code, 2);
    EXPECT_EQ(pairs[1].value, "ENTITIES");
}

// The count the reader judges a file by is the number of pairs it then keeps.
TEST(DxfTokens, PairsAreCountedAsTheyAreSplit) {
    for (const std::string& text :
         {std::string(), std::string("\n"), std::string("\n\n"), std::string("0"),
          std::string("0\nLINE"), std::string("0\nLINE\n"), std::string("0\nLINE\n8"),
          std::string("\xEF\xBB\xBF"), std::string("\xEF\xBB\xBF\n\n"),
          std::string("\xEF\xBB\xBF 0\r\nEOF"), std::string("\r\n\r\n\r\n\r"),
          std::string("0\nA\0B\n\n\n\n", 9)})
        EXPECT_EQ(DxfPairCount(text), DxfSplitPairs(text).size()) << text;
}
