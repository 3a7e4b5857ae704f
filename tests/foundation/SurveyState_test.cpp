#include "foundation/SurveyState.h"

#include <gtest/gtest.h>

TEST(SurveyState, InitialValuesAtProgramLoad) {
    ResetSurveyState();
    const SurveyState& s = g_Survey;
    EXPECT_EQ(s.GnssLatitude, 0);
    EXPECT_EQ(s.GridConvergence, 1e-9);
    EXPECT_EQ(s.GyroHeading, 1e-9);
    EXPECT_EQ(s.GridHeading, 1e-9);
    EXPECT_FALSE(s.ZdaSeen);
    EXPECT_TRUE(s.TrackDeleteLock);
    EXPECT_TRUE(s.FollowVessel);
    EXPECT_EQ(s.RealtimeStartTick, 0u);
    EXPECT_TRUE(s.PositionStatusText.empty());
    g_Survey.GnssLatitude = 41;
    g_Survey.FollowVessel = false;
    ResetSurveyState();
    EXPECT_EQ(g_Survey.GnssLatitude, 0);
    EXPECT_TRUE(g_Survey.FollowVessel);
}
