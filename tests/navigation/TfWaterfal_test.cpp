// The echogram window offscreen: its settings, its timer interval, drag and
// border-band resize, and the drawing reached through the main window.
#include "navigation/ui/TfWaterfal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>

#include "canvas/GdiCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/ui/ColorBox.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TNavset.h"

namespace {

class TfWaterfalTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<TFNav> nav;

    void SetUp() override {
        InitDayPaths();
        ResetSurveyState();
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        fWaterfal = new TfWaterfal();
    }
    void TearDown() override {
        delete fWaterfal;
        fWaterfal = nullptr;
        delete Navset;
        Navset = nullptr;
        nav.reset();
        ResetSurveyState();
    }
    static void Store(const char* key, const char* value) {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("ECHOGRAM", key, value);
    }
    static int Stored(const char* section, const char* key) {
        platform::IniFile::DropCachedModels();
        return platform::IniFile(SettingsFilePath()).ReadInteger(section, key, -12345);
    }
};

TEST_F(TfWaterfalTest, FramelessToolWindowWithItsDefaults) {
    TfWaterfal& w = *fWaterfal;
    EXPECT_EQ(w.objectName(), "fWaterfal");
    EXPECT_EQ(w.windowTitle(), "Acoustic Waterfall");
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ((w.windowFlags() & Qt::WindowType_Mask), Qt::Tool);
    EXPECT_EQ(w.size(), QSize(388, 147));
    EXPECT_FALSE(w.FDragging);
    EXPECT_EQ(w.FDataWidth, 50);
    EXPECT_EQ(w.FInterval, 100);
    EXPECT_EQ(w.Image().size(), QSize(388, 147));
}

TEST_F(TfWaterfalTest, IntervalReachesTheEchogramTimerFromTheFirstShow) {
    Store("Interval", "1000");
    EXPECT_EQ(nav->tEchogram->interval(), 200);  // the layout's, before
    fWaterfal->show();
    EXPECT_EQ(fWaterfal->FInterval, 1000);
    EXPECT_EQ(nav->tEchogram->interval(), 1000);
    // Read again at every show.
    fWaterfal->hide();
    Store("Interval", "0");
    fWaterfal->show();
    EXPECT_EQ(fWaterfal->FInterval, 0);          // as stored
    EXPECT_EQ(nav->tEchogram->interval(), 100);  // a stopped watchdog is never wanted
    fWaterfal->hide();
    Store("Interval", "-7");
    fWaterfal->show();
    EXPECT_EQ(nav->tEchogram->interval(), 100);
}

TEST_F(TfWaterfalTest, DataWidthLoadsAsStoredAndDrawsClamped) {
    for (const auto& [text, stored, last] : {std::tuple{"0", 0, 0}, std::tuple{"500", 500, 199}}) {
        Store("DataWidth", text);
        fWaterfal->show();
        EXPECT_EQ(fWaterfal->FDataWidth, stored);
        nav->FDepthHistory = DepthHistory{};
        nav->DrawDepthHistory(12.5, 0, 50, fWaterfal->FDataWidth);
        EXPECT_EQ(nav->FDepthHistory.depths[last], 12.5) << text;
        // Close writes the values as read.
        fWaterfal->close();
        EXPECT_EQ(Stored("ECHOGRAM", "DataWidth"), stored);
        EXPECT_EQ(Stored("ECHOGRAM", "Interval"), 100);
    }
}

TEST_F(TfWaterfalTest, ColourOfTheMapAndPlacementWithSize) {
    Navset = new TNavset(nav->fcad, nav->tMap);
    Navset->fcadColor->SetSelected(0x808080);
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteInteger("fWaterfal", "Left", 40);
        ini.WriteInteger("fWaterfal", "Top", 30);
        ini.WriteInteger("fWaterfal", "Width", 300);
        ini.WriteInteger("fWaterfal", "Height", 120);
    }
    fWaterfal->show();
    EXPECT_EQ(fWaterfal->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(fWaterfal->pos(), QPoint(40, 30));
    // The strip keeps its own small size.
    EXPECT_EQ(fWaterfal->size(), QSize(300, 120));
    EXPECT_EQ(fWaterfal->Image().size(), QSize(300, 120));
}

TEST_F(TfWaterfalTest, LeftDragMovesAndStoresOtherButtonsDoNothing) {
    fWaterfal->show();
    fWaterfal->move(100, 100);
    const QPoint start = fWaterfal->pos();
    // A right press anywhere does nothing.
    for (const QPoint p : {QPoint(50, 50), QPoint(2, 2), QPoint(385, 144)}) {
        fWaterfal->FormMouseDown(Qt::RightButton, p, start + p);
        EXPECT_FALSE(fWaterfal->FDragging);
        EXPECT_EQ(fWaterfal->ResizeInProgress(), htNone);
    }
    fWaterfal->FormMouseMove({150, 60}, start + QPoint(150, 60));
    EXPECT_EQ(fWaterfal->pos(), start);
    // A 100-pixel drag to the right, through real mouse events.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(start + QPoint(50, 50)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(fWaterfal, &press);
    EXPECT_TRUE(fWaterfal->FDragging);
    EXPECT_EQ(fWaterfal->FDragX, 50);
    fWaterfal->FormMouseMove({150, 50}, start + QPoint(150, 50));
    EXPECT_EQ(fWaterfal->pos(), start + QPoint(100, 0));
    fWaterfal->FormMouseUp(Qt::LeftButton);
    EXPECT_FALSE(fWaterfal->FDragging);
    EXPECT_EQ(Stored("fWaterfal", "Left"), start.x() + 100);
    EXPECT_EQ(Stored("fWaterfal", "Top"), start.y());
}

TEST_F(TfWaterfalTest, BandPressResizesAndHoverShowsTheSizingCursor) {
    fWaterfal->show();
    fWaterfal->move(100, 100);
    const QPoint origin = fWaterfal->pos();
    const QSize size = fWaterfal->size();
    const QPoint corner(size.width() - 3, size.height() - 3);
    fWaterfal->FormMouseDown(Qt::LeftButton, corner, origin + corner);
    EXPECT_FALSE(fWaterfal->FDragging);
    EXPECT_EQ(fWaterfal->ResizeInProgress(), htBottomRight);
    // The offscreen platform has no window system to resize for it.
    if (QGuiApplication::platformName() == "offscreen") {
        EXPECT_TRUE(fWaterfal->ManualResize());
    }
    if (fWaterfal->ManualResize()) {
        // The platform has no system resize: the window follows the mouse.
        fWaterfal->FormMouseMove(corner + QPoint(30, 20), origin + corner + QPoint(30, 20));
        EXPECT_EQ(fWaterfal->size(), size + QSize(30, 20));
        EXPECT_EQ(fWaterfal->pos(), origin);
    }
    fWaterfal->FormMouseUp(Qt::LeftButton);
    EXPECT_EQ(fWaterfal->ResizeInProgress(), htNone);

    const QSize now = fWaterfal->size();
    const QPoint left(3, now.height() / 2);
    fWaterfal->FormMouseDown(Qt::LeftButton, left, fWaterfal->pos() + left);
    EXPECT_EQ(fWaterfal->ResizeInProgress(), htLeft);
    if (fWaterfal->ManualResize()) {
        const QRect before = fWaterfal->geometry();
        fWaterfal->FormMouseMove(left + QPoint(-25, 0), before.topLeft() + left + QPoint(-25, 0));
        EXPECT_EQ(fWaterfal->geometry(), before.adjusted(-25, 0, 0, 0));
    }
    fWaterfal->FormMouseUp(Qt::LeftButton);

    fWaterfal->FormMouseMove({3, 3}, {});
    EXPECT_EQ(fWaterfal->cursor().shape(), Qt::SizeFDiagCursor);
    fWaterfal->FormMouseMove({fWaterfal->width() - 2, 3}, {});
    EXPECT_EQ(fWaterfal->cursor().shape(), Qt::SizeBDiagCursor);
    fWaterfal->FormMouseMove({fWaterfal->width() / 2, fWaterfal->height() - 1}, {});
    EXPECT_EQ(fWaterfal->cursor().shape(), Qt::SizeVerCursor);
    fWaterfal->FormMouseMove({fWaterfal->width() / 2, fWaterfal->height() / 2}, {});
    EXPECT_EQ(fWaterfal->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(TfWaterfalTest, DrawingNeedsTheWindowOnTheScreen) {
    nav->DrawDepthHistory(12.5, 0, 50, 50);
    EXPECT_EQ(nav->FDepthHistory.depths[49], 0);  // hidden: nothing
    fWaterfal->show();
    nav->DrawDepthHistory(12.5, 0, 50, 50);
    EXPECT_EQ(nav->FDepthHistory.depths[49], 12.5);
    const QImage& image = fWaterfal->Image();
    EXPECT_EQ(FromRgb(image.pixel(image.width() - 5, image.height() - 5)), 0x00FFFF);
    // Dismiss hides.
    fWaterfal->Dismiss1Click();
    EXPECT_FALSE(fWaterfal->isVisible());
}

TEST_F(TfWaterfalTest, EchogramMenuNeedsAnOpenSounder) {
    auto& dialogs = dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
    dialogs.messages.clear();
    nav->Echogram1->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Sensor is not connected. Connect sensor to view waterfall.");
    EXPECT_FALSE(fWaterfal->isVisible());
    phxtest::Pty pty;
    pty.LinkAsCom(4);
    nav->ZSENSOR->FPortNumber = 4;
    nav->ZSENSOR->Open();
    ASSERT_TRUE(nav->ZSENSOR->FOpen);
    nav->Echogram1->trigger();
    EXPECT_TRUE(fWaterfal->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1);
    nav->ZSENSOR->Close();
}

}  // namespace
