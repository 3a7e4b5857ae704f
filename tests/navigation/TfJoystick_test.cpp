// The battery and jog window offscreen, writing to the GNSS port on a
// pseudo-terminal.
#include "navigation/ui/TfJoystick.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "navigation/JogCommands.h"
#include "navigation/ui/TFNav.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace {

class TfJoystickTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<TFNav> nav;
    std::vector<std::string> sent;

    void SetUp() override {
        InitDayPaths();
        g_JogCounters = JogCounters{};
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        nav->ZGPS1->OnSend = [this](TPlovanSerialGPS*, const std::string& t) { sent.push_back(t); };
        fJoystick = new TfJoystick();
    }
    void TearDown() override {
        delete fJoystick;
        fJoystick = nullptr;
        delete FGPS;
        FGPS = nullptr;
        nav->ZGPS1->Close();
        nav.reset();
    }
    void OpenGnss(phxtest::Pty& pty) {
        pty.LinkAsCom(3);
        nav->ZGPS1->FPortNumber = 3;
        nav->ZGPS1->Open();
        ASSERT_TRUE(nav->ZGPS1->FOpen);
    }
};

TEST_F(TfJoystickTest, LayoutAndCloseRefused) {
    TfJoystick& w = *fJoystick;
    EXPECT_EQ(w.objectName(), "fJoystick");
    EXPECT_EQ(w.windowTitle(), "Battery");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    // Wide enough for its caption beside a window manager's buttons, in any
    // language, and never narrower than the layout's 131.
    const auto captionFits = [&w] {
        QFont bold = w.font();
        bold.setBold(true);
        return w.width() >= QFontMetrics(bold).horizontalAdvance(w.windowTitle()) + 120 &&
               w.width() >= 131 && w.height() == 42 && w.minimumSize() == w.maximumSize();
    };
    EXPECT_TRUE(captionFits()) << w.width();
    const int width = w.width();
    w.setWindowTitle(QStringLiteral("Akü gerilimi (V)"));
    EXPECT_TRUE(captionFits()) << w.width();
    EXPECT_GT(w.width(), width);
    w.setWindowTitle(QStringLiteral("Battery"));
    EXPECT_EQ(w.width(), width);
    EXPECT_TRUE(w.pBattery->text().isEmpty());
    EXPECT_TRUE(w.pBattery->font().bold());
    EXPECT_TRUE(w.Panel1->isHidden());
    for (const char* name : {"bUp", "bLeft", "BitBtn5", "bRight", "BitBtn1", "bBottom", "BitBtn2"})
        EXPECT_NE(w.findChild<QPushButton*>(name), nullptr) << name;
    EXPECT_EQ(w.Timer1->interval(), 1000);
    EXPECT_TRUE(w.Timer1->isActive());
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(TfJoystickTest, PadSendsAxisCommandsToTheGnssPort) {
    phxtest::Pty pty;
    OpenGnss(pty);
    fJoystick->bUp->click();
    EXPECT_EQ(pty.Read(16), "<A+002>\n<B+002>\n");
    fJoystick->bLeft->click();
    EXPECT_EQ(pty.Read(8), "<A+002>\n");
    EXPECT_EQ(g_JogCounters.A, 3);
    fJoystick->bRight->click();
    fJoystick->bBottom->click();
    fJoystick->BitBtn5->click();
    fJoystick->BitBtn1Click();
    fJoystick->BitBtn1Click();
    fJoystick->BitBtn1Click();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 2, sent.end()),
              (std::vector<std::string>{"<B+002>\n", "<A+002>\n<B+002>\n", "<A+000>\n<B+000>\n",
                                        "<A+001>\n", "<A+000>\n", "<A-001>\n"}));
    EXPECT_EQ(g_JogCounters.A, -2);
}

TEST_F(TfJoystickTest, FreshStartLeftSendsOneAndAClosedPortWritesNothing) {
    fJoystick->bLeftClick();
    EXPECT_TRUE(sent.empty());  // closed: nothing goes out
    EXPECT_EQ(g_JogCounters.A, 2);
}

TEST_F(TfJoystickTest, HidesUnlessTheTypeIsPlovanSmt) {
    FGPS = new TFGPS();
    FGPS->cSBESMessage->setCurrentText("Plovan SMT");
    fJoystick->show();
    fJoystick->Timer1Timer();
    EXPECT_TRUE(fJoystick->isVisible());
    FGPS->cSBESMessage->setCurrentText("NMEA DPT");
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return !fJoystick->isVisible(); }, 3000));
    // Choosing the type again does not bring it back.
    FGPS->cSBESMessage->setCurrentText("Plovan SMT");
    phxtest::PumpEventsFor(1300);
    EXPECT_FALSE(fJoystick->isVisible());
}

}  // namespace
