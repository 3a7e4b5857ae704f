#include "tools/ui/TFShape.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

TEST(TFShape, EmptySectionGivesTheReadDefaults) {
    phxtest::TempHome home;
    TFShape w;
    EXPECT_EQ(w.objectName(), "FShape");
    EXPECT_EQ(w.windowTitle(), "Vessel Geometry");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w.edRadious->text(), "10");
    EXPECT_EQ(w.edInterval->text(), "10");
    EXPECT_EQ(w.edAmount->text(), "2");
    EXPECT_EQ(w.edLArrow->text(), "0");
    EXPECT_EQ(w.edBArrow->text(), "100");
    EXPECT_EQ(w.Values().Side.Get(), 0.0);
    EXPECT_EQ(w.Values().Circles.GetInt(), 2);
    EXPECT_EQ(w.BitBtn1->text(), "Save && Hide");
}

TEST(TFShape, DefaultThenSaveAndHideStoresTheDefaultSetInKeyOrder) {
    phxtest::TempHome home;
    TFShape w;
    w.show();
    w.edLArrow->setText("3");
    w.bDefault->click();
    EXPECT_EQ(w.edLArrow->text(), "10");
    w.BitBtn1->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(phxtest::ReadAll(SettingsFilePath()),
              "[VESSEL_SHAPE]\r\nNumber of circles=2\r\nCirecle offset interval=10\r\n"
              "Radious of first circle=10\r\nArrow length to bow=100\r\n"
              "Left right offset of arrow=10\r\n");
}

TEST(TFShape, StoredValuesAreReadOnceAtCreation) {
    phxtest::TempHome home;
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("VESSEL_SHAPE", "Number of circles", "2.5");
        ini.WriteString("VESSEL_SHAPE", "Radious of first circle", "7.50");
    }
    TFShape w;
    EXPECT_EQ(w.edAmount->text(), "2");
    EXPECT_EQ(w.edRadious->text(), "7.5");
    w.show();
    EXPECT_EQ(w.edRadious->text(), "7.5");
}

TEST(TFShape, TyposNeverReachTheValues) {
    phxtest::TempHome home;
    TFShape w;
    const struct {
        QLineEdit* edit;
        const char* text;
        double expected;
    } cases[] = {
        {w.edRadious, "", 10},     {w.edRadious, "12.5", 12.5}, {w.edRadious, "1,5", 12.5},
        {w.edRadious, "-1", 12.5}, {w.edAmount, "3", 3},        {w.edAmount, "2.5", 3},
        {w.edAmount, "", 3},       {w.edBArrow, "5e1", 50},     {w.edBArrow, "nan", 50},
        {w.edLArrow, "4", 4},      {w.edLArrow, "4O", 4},
    };
    for (const auto& c : cases) {
        c.edit->setText(QString::fromLatin1(c.text));
        const tools::VesselShapeValues& v = w.Values();
        const double value = c.edit == w.edRadious  ? *v.Radius.Get()
                             : c.edit == w.edAmount ? *v.Circles.Get()
                             : c.edit == w.edBArrow ? *v.Bow.Get()
                                                    : *v.Side.Get();
        EXPECT_EQ(value, c.expected) << c.edit->objectName().toStdString() << " " << c.text;
    }
}
