#include "tools/ui/TNavset.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <memory>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/ui/ColorBox.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TUpDown.h"

namespace {

// A choice of the surveyor in a colour box, by the colour's name.
void Choose(platform::ColorBox* box, const char* name) {
    const int index = box->findText(QString::fromLatin1(name));
    ASSERT_GE(index, 0) << name;
    box->setCurrentIndex(index);
    emit box->activated(index);
}

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

class TNavsetTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TPlovanCanvas canvas;
    QTimer tMap;

    void SetUp() override {
        Dialogs().messages.clear();
        tMap.setInterval(200);
    }

    std::unique_ptr<TNavset> Make() { return std::make_unique<TNavset>(&canvas, &tMap); }

    static std::string Stored(const char* key) {
        platform::IniFile::DropCachedModels();
        const platform::IniFile ini(SettingsFilePath());
        return ini.ReadString("NAVIGATION_SETTINGS", key, "<missing>");
    }
};

}  // namespace

TEST_F(TNavsetTest, LayoutControlsAndTheRateTheMapTimerGetsAtCreation) {
    const auto w = Make();
    EXPECT_EQ(w->objectName(), "Navset");
    EXPECT_EQ(w->windowTitle(), "Navigation Settings");
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    for (const char* name :
         {"VesselColor", "VesselWidth", "UpDown1", "eVesselUpdateRate", "UpDown4", "fcadColor",
          "ColorTracklines1", "ColorTracklines0", "cLineOrDot", "TrackWidth", "UpDown2",
          "TrackDistance", "UpDown3", "edDepthAlert1"})
        EXPECT_NE(w->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(tMap.interval(), 500);
    EXPECT_FALSE(tMap.isActive());
    EXPECT_EQ(w->VesselWidth->maxLength(), 2);
    EXPECT_EQ(w->TrackDistance->maxLength(), 8);
    EXPECT_EQ(w->VesselColor->Selected(), 0x800000u);
    EXPECT_EQ(w->fcadColor->Selected(), 0xFFFFFFu);
    EXPECT_EQ(w->ColorTracklines1->Selected(), 0x008000u);
    EXPECT_EQ(w->ColorTracklines0->Selected(), 0x00FFFFu);
    EXPECT_FALSE(w->cLineOrDot->isChecked());
    EXPECT_EQ(w->edDepthAlert1->text(), "0.5");
    EXPECT_EQ(w->Values().UpdateRateMs, 500);
    EXPECT_EQ(w->Values().VesselWidth.GetInt(), 2);
    EXPECT_EQ(w->Values().TrackDistance.GetInt(), 20);
    EXPECT_EQ(w->Values().DepthAlert.Get(), 0.5);
}

TEST_F(TNavsetTest, UpdateRateSetsTheMapTimerAndKeepsItRunningOrStopped) {
    const auto w = Make();
    tMap.start();
    const struct {
        const char* text;
        int ms;
    } cases[] = {{"30", 50}, {"51", 51}, {"", 500}, {"1000", 1000}, {"abc", 1000}, {"12.5", 1000}};
    for (const auto& c : cases) {
        Dialogs().messages.clear();
        w->eVesselUpdateRate->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(tMap.interval(), c.ms) << c.text;
        EXPECT_EQ(w->Values().UpdateRateMs, c.ms) << c.text;
    }
    // The handler still says why a text is no rate.
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0], "'12.5' is not a valid integer value");
    EXPECT_TRUE(tMap.isActive());
}

TEST_F(TNavsetTest, UpDownStepsFromTheEditsNumberWithinItsRange) {
    const auto w = Make();
    w->UpDown4->Click(1);
    EXPECT_EQ(w->eVesselUpdateRate->text(), "550");
    EXPECT_EQ(tMap.interval(), 550);
    w->eVesselUpdateRate->setText("4990");
    w->UpDown4->Click(1);
    EXPECT_EQ(w->eVesselUpdateRate->text(), "5000");
    w->VesselWidth->setText("0");
    w->UpDown1->Click(-1);
    EXPECT_EQ(w->VesselWidth->text(), "0");
}

TEST_F(TNavsetTest, EmptyTextsAreReplaced) {
    const auto w = Make();
    const struct {
        QLineEdit* edit;
        const char* replacement;
    } cases[] = {{w->VesselWidth, "2"},
                 {w->TrackWidth, "2"},
                 {w->TrackDistance, "1"},
                 {w->edDepthAlert1, "0"}};
    for (const auto& c : cases) {
        c.edit->setText("7");
        c.edit->clear();
        EXPECT_EQ(c.edit->text(), c.replacement) << c.edit->objectName().toStdString();
    }
    EXPECT_EQ(w->Values().TrackDistance.GetInt(), 1);
    EXPECT_EQ(w->Values().DepthAlert.Get(), 0.0);
}

TEST_F(TNavsetTest, WidthsAndVesselColourGoToTheLayersThatExist) {
    const int vessel = canvas.AddLayer(QStringLiteral("~~Plovan Vessel"));
    const int fix = canvas.AddLayer(QStringLiteral("track_fix"));
    const int nofix = canvas.AddLayer(QStringLiteral("track_nofix"));
    const auto w = Make();
    EXPECT_EQ(canvas.GetLayerWidth(vessel), 2);  // written by the up-down at creation
    w->VesselWidth->setText("5");
    EXPECT_EQ(canvas.GetLayerWidth(vessel), 5);
    w->TrackWidth->setText("4");
    EXPECT_EQ(canvas.GetLayerWidth(fix), 4);
    EXPECT_EQ(canvas.GetLayerWidth(nofix), 4);

    // A track width that is no whole number keeps the layers and says why.
    w->TrackWidth->setText("4x");
    EXPECT_EQ(canvas.GetLayerWidth(fix), 4);
    EXPECT_EQ(Dialogs().messages.back(), "'4x' is not a valid integer value");
    EXPECT_EQ(w->Values().TrackWidth.GetInt(), 4);

    // Only a choice of the surveyor recolours; a colour set in code does not.
    w->VesselColor->SetSelected(0x0000FF);
    EXPECT_NE(canvas.GetLayerColor(vessel), 0x0000FF);
    Choose(w->VesselColor, "Red");
    EXPECT_EQ(canvas.GetLayerColor(vessel), 0x0000FF);
    EXPECT_EQ(w->Values().VesselColor, 0x0000FFu);
    Choose(w->fcadColor, "Gray");
    EXPECT_EQ(canvas.FBackgroundColor, 0x808080);
    EXPECT_EQ(w->Values().BackgroundColor, 0x808080u);

    // A custom colour through the colour dialog; a track colour has no
    // handler but is read at the next track point.
    Dialogs().colors.push_back(0x123456);
    Choose(w->ColorTracklines1, "Custom...");
    EXPECT_EQ(w->Values().TrackFixColor, 0x123456u);
}

TEST_F(TNavsetTest, WidthChangeWithoutTheVesselLayerChangesNothing) {
    const int fix = canvas.AddLayer(QStringLiteral("track_fix"));
    const auto w = Make();
    const int before = canvas.GetLayerWidth(fix);
    const int repaints = canvas.FRepaintCount;
    w->VesselWidth->setText("9");
    EXPECT_EQ(canvas.GetLayerWidth(fix), before);
    EXPECT_EQ(canvas.FRepaintCount, repaints);
    EXPECT_EQ(w->Values().VesselWidth.GetInt(), 9);
}

TEST_F(TNavsetTest, FirstShowWithoutASectionAndCloseWritesIt) {
    const auto w = Make();
    w->show();
    EXPECT_EQ(w->VesselColor->Selected(), 0x800000u);
    EXPECT_EQ(w->fcadColor->Selected(), 0xFFFFFFu);
    EXPECT_EQ(w->ColorTracklines1->Selected(), 0x008000u);
    EXPECT_EQ(w->ColorTracklines0->Selected(), 0x00FFFFu);
    EXPECT_EQ(w->VesselWidth->text(), "3");
    EXPECT_EQ(w->TrackWidth->text(), "3");
    EXPECT_EQ(w->TrackDistance->text(), "20");
    EXPECT_TRUE(w->cLineOrDot->isChecked());
    EXPECT_EQ(w->edDepthAlert1->text(), "1");
    EXPECT_TRUE(w->Values().TrackAsLine);
    EXPECT_EQ(w->Values().DepthAlert.Get(), 1.0);
    EXPECT_EQ(canvas.FBackgroundColor, 0xFFFFFF);  // a colour read is no choice

    w->edDepthAlert1->setText("0,5");
    EXPECT_EQ(w->Values().DepthAlert.Get(), 1.0);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(Stored("VesselColor"), "8388608");
    EXPECT_EQ(Stored("BackgroundColor"), "16777215");
    EXPECT_EQ(Stored("edDepthAlert"), "0,5");
    EXPECT_EQ(Stored("cLineOrDot"), "1");
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    EXPECT_TRUE(ini.ValueExists("Navset", "Left"));
}

TEST_F(TNavsetTest, EveryShowRereadsTheSectionAndAHiddenCloseStillWritesIt) {
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("NAVIGATION_SETTINGS", "TrackDistance", "35");
        ini.WriteString("NAVIGATION_SETTINGS", "ColorTracklines0", "255");
    }
    const auto w = Make();
    w->show();
    EXPECT_EQ(w->TrackDistance->text(), "35");
    EXPECT_EQ(w->Values().TrackFloatColor, 255u);
    w->TrackDistance->setText("40");
    w->hide();
    w->show();
    EXPECT_EQ(w->TrackDistance->text(), "35");
    w->TrackDistance->setText("45");
    w->hide();
    w->close();
    EXPECT_EQ(Stored("TrackDistance"), "45");
}
