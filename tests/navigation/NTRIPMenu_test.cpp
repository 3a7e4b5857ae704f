// The NTRIP settings and RTCM windows in the program: made by the entry after
// the main window, reached through "Window" > "Plovan NTRIP Client...".
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <memory>

#include "devices/TPlovanNTRIPClient.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace {

class NTRIPMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        InitDayPaths();
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
        g_LanguageManager = std::make_unique<TLanguageManager>(home_.home() + "Languages/");
    }
    void TearDown() override {
        FreeApplicationWindows();
        g_LanguageManager.reset();
        platform::SetDialogs(nullptr);
    }
    phxtest::TempHome home_;
};

}  // namespace

TEST_F(NTRIPMenu, WindowsMadeByTheEntryAndTheMenu) {
    CreateApplicationWindows();
    ASSERT_NE(frmNTRIPSettings, nullptr);
    ASSERT_NE(fRTCMParsing, nullptr);
    EXPECT_FALSE(frmNTRIPSettings->isVisible());
    EXPECT_FALSE(fRTCMParsing->isVisible());
    // The GNSS reader's port object is the client's from the start.
    EXPECT_EQ(frmNTRIPSettings->FClient->SerialHandle(), FNav->ZGPS1->FHandle);

    QMenu* window = FNav->findChild<QMenu*>("Window2");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->title(), "Window");
    QStringList order;
    for (QAction* action : FNav->MainMenu1->actions()) order << action->menu()->objectName();
    EXPECT_LT(order.indexOf("Window2"), order.indexOf("Tools1"));
    auto* item = FNav->findChild<QAction*>("PlovanNTRIPClient1");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Plovan NTRIP Client...");

    // With the GNSS port closed the window is shown without a hand-over.
    item->trigger();
    EXPECT_TRUE(frmNTRIPSettings->isVisible());
    EXPECT_EQ(frmNTRIPSettings->boxOutputPort->itemText(0), "This port (GPS)");
    EXPECT_EQ(frmNTRIPSettings->FGPSPortName, "");

    // Open: the port, its name and the position go over.
    phxtest::Pty pty;
    pty.LinkAsCom(4);
    FNav->ZGPS1->FPortNumber = 4;
    FNav->ZGPS1->Open();
    ASSERT_TRUE(FNav->ZGPS1->FOpen);
    FNav->ZGPS1->FLatitude = 41.5;
    FNav->ZGPS1->FLongitude = 29.25;
    FNav->PlovanNTRIPClient1Click();
    EXPECT_EQ(frmNTRIPSettings->boxOutputPort->itemText(0), "COM4 This Port (GPS)");
    EXPECT_EQ(frmNTRIPSettings->edtLatitude->text(), "41.50000000");
    EXPECT_EQ(frmNTRIPSettings->FClient->Latitude(), 41.5);
    FNav->ZGPS1->Close();
}

TEST_F(NTRIPMenu, MenuMakesTheWindowWhenMissing) {
    FNav = new TFNav();
    ASSERT_EQ(frmNTRIPSettings, nullptr);
    FNav->PlovanNTRIPClient1Click();
    ASSERT_NE(frmNTRIPSettings, nullptr);
    EXPECT_TRUE(frmNTRIPSettings->isVisible());
    delete frmNTRIPSettings;
    EXPECT_EQ(frmNTRIPSettings, nullptr);
}
