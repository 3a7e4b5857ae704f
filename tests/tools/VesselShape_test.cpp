#include "tools/VesselShape.h"

#include <gtest/gtest.h>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

TEST(VesselShape, StoredValuesInTheirFormsAndDefaults) {
    phxtest::TempHome home;
    platform::IniFile ini(SettingsFilePath());
    ini.WriteString("VESSEL_SHAPE", "Number of circles", "2.5");
    ini.WriteString("VESSEL_SHAPE", "Cirecle offset interval", "7.50");
    ini.WriteString("VESSEL_SHAPE", "Radious of first circle", "abc");
    ini.WriteString("VESSEL_SHAPE", "Arrow length to bow", "1e2");
    ini.WriteString("VESSEL_SHAPE", "Left right offset of arrow", "nan");
    const tools::VesselShapeTexts t = tools::ReadVesselShape(ini);
    EXPECT_EQ(t.Circles, "2");
    EXPECT_EQ(t.Interval, "7.5");
    EXPECT_EQ(t.Radius, "10");
    EXPECT_EQ(t.Bow, "100");
    EXPECT_EQ(t.Side, "0");
}
