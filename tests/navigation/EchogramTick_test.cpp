// The sounder watchdog and the echogram window's visibility, with the tick
// count given.
#include "navigation/EchogramTick.h"

#include <gtest/gtest.h>

namespace {

EchogramTickActions Tick(SurveyState& s, uint32_t now, bool open = true, bool visible = false) {
    return EchogramTick(s, EchogramTickInputs{now, open, visible});
}

TEST(EchogramTick, SilenceReportedOnceAfterFiveSecondsAndReArmedByALine) {
    SurveyState s;
    s.SensorStartTick = 1000;              // Start
    EXPECT_FALSE(Tick(s, 6000).timedOut);  // exactly 5.000 s
    s.DepthHigh = 12.5;
    s.DepthLow = 3;
    s.SensorDisplaysShown = true;
    const EchogramTickActions first = Tick(s, 6001, true, true);
    EXPECT_TRUE(first.timedOut);
    EXPECT_TRUE(first.hideWindow);
    EXPECT_TRUE(first.clearDepthTexts);
    EXPECT_FALSE(first.showWindow);
    EXPECT_FALSE(first.draw);
    EXPECT_TRUE(s.SensorTimedOut);
    EXPECT_EQ(s.DepthHigh, 0);
    EXPECT_EQ(s.DepthLow, 0);
    EXPECT_FALSE(s.SensorDisplaysShown);
    for (uint32_t t : {6100u, 20000u, 60000u}) EXPECT_FALSE(Tick(s, t).timedOut) << t;
    // A line 10 s after the report: the watchdog counts from that line.
    s.LastSensorTick = 16001;
    s.SensorTimedOut = false;
    EXPECT_FALSE(Tick(s, 21001).timedOut);
    EXPECT_TRUE(Tick(s, 21002).timedOut);
}

TEST(EchogramTick, DisarmedWithoutStartAndAcrossTheCounterWrap) {
    SurveyState s;
    EXPECT_FALSE(Tick(s, 100000).timedOut);  // Stop zeroes the start tick
    s.SensorStartTick = 0xFFFFF000u;         // 4096 ms before the wrap
    EXPECT_FALSE(Tick(s, 903).timedOut);     // 4999 ms later
    EXPECT_FALSE(Tick(s, 904).timedOut);     // 5000
    EXPECT_TRUE(Tick(s, 905).timedOut);      // 5001
    s.SensorTimedOut = false;
    s.LastSensorTick = 0xFFFFFFFFu;
    EXPECT_FALSE(Tick(s, 4999).timedOut);
    EXPECT_TRUE(Tick(s, 5000).timedOut);
}

TEST(EchogramTick, VisibilityFollowsTheDepthWhileThePortIsOpen) {
    SurveyState s;
    s.SensorDisplaysShown = true;
    s.DepthHigh = 12.5;
    s.NewDepthFlag = true;
    EchogramTickActions a = Tick(s, 10, true, false);
    EXPECT_TRUE(a.showWindow);
    EXPECT_TRUE(a.draw);  // shown on this tick, drawn on it too
    EXPECT_FALSE(s.NewDepthFlag);
    // No new depth since: nothing drawn.
    a = Tick(s, 20, true, true);
    EXPECT_FALSE(a.showWindow);
    EXPECT_FALSE(a.draw);
    // A depth of 0.0001 or less hides it and clears both labels.
    s.DepthHigh = 0.0001;
    s.NewDepthFlag = true;
    a = Tick(s, 30, true, true);
    EXPECT_TRUE(a.hideWindow);
    EXPECT_TRUE(a.clearDepthTexts);
    EXPECT_FALSE(a.draw);
    // Already hidden: the labels are left as the depth handler set them.
    a = Tick(s, 40, true, false);
    EXPECT_FALSE(a.hideWindow);
    EXPECT_FALSE(a.clearDepthTexts);
    // Not shown again before a line of this run set the displays shown.
    s.DepthHigh = 5;
    s.SensorDisplaysShown = false;
    EXPECT_FALSE(Tick(s, 50, true, false).showWindow);
    // A closed port: the window and the drawing are left alone.
    s.SensorDisplaysShown = true;
    s.NewDepthFlag = true;
    a = Tick(s, 60, false, true);
    EXPECT_FALSE(a.hideWindow || a.showWindow || a.draw);
    EXPECT_FALSE(s.NewDepthFlag);
}

}  // namespace
