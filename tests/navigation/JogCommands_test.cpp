// The jog pad's axis commands and counters.
#include "navigation/JogCommands.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(JogCommands, AxisCommandText) {
    const struct {
        char axis;
        int value;
        const char* text;
    } cases[] = {{'A', 1, "<A+001>\n"},
                 {'B', -12, "<B-012>\n"},
                 {'A', 1000, "<A+1000>\n"},
                 {'A', 0, "<A+000>\n"},
                 {'B', -1, "<B-001>\n"},
                 {'A', 999, "<A+999>\n"},
                 {'A', INT_MIN, "<A-2147483648>\n"}};
    for (const auto& c : cases) EXPECT_EQ(FormatAxisCommand(c.axis, c.value), c.text) << c.value;
}

TEST(JogCommands, ButtonsStepBeforeOrAfterSending) {
    JogCounters c;
    EXPECT_EQ(JogUp(c), "<A+002>\n<B+002>\n");
    EXPECT_EQ(JogLeft(c), "<A+002>\n");
    EXPECT_EQ(c.A, 3);
    EXPECT_EQ(JogRight(c), "<B+002>\n");
    EXPECT_EQ(c.B, 3);
    EXPECT_EQ(JogDown(c), "<A+002>\n<B+002>\n");
    c.Spare = 7;
    EXPECT_EQ(JogCentre(c), "<A+000>\n<B+000>\n");
    EXPECT_EQ(c.A, 1);
    EXPECT_EQ(c.B, 1);
    EXPECT_EQ(c.Spare, 1);
    EXPECT_EQ(JogBack(c), "<A+001>\n");
    EXPECT_EQ(JogBack(c), "<A+000>\n");
    EXPECT_EQ(c.A, -1);
    EXPECT_EQ(JogBack(c), "<A-001>\n");
}

}  // namespace
