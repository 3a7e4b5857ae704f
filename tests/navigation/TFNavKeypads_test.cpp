// The main window's on-screen keypad and keyboard: made once, placed in the
// client area below the menu bar, retargeted, and opened from the offsets
// window's edits.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenuBar>

#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "tests/support/TempHome.h"
#include "tools/KeypadKeys.h"
#include "tools/ui/TPlovanNumericKeypad.h"
#include "tools/ui/TPlovanSimpleKeyboard.h"

namespace {

class TFNavKeypads : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    void SetUp() override {
        InitDayPaths();
        ResetDisplayValues();
    }

    // The client area below the menu bar, as the window has it now.
    static QRect ClientArea(TFNav& nav) {
        const int top = nav.MainMenu1->geometry().bottom() + 1;
        return {0, top, nav.width(), nav.height() - top};
    }
};

TEST_F(TFNavKeypads, PlacedInTheClientAreaAndRetargeted) {
    TFNav nav;
    nav.resize(1000, 700);
    nav.show();
    const QRect client = ClientArea(nav);
    QLineEdit first(&nav), second(&nav);
    nav.ShowNumericKeypad(&first);
    TPlovanNumericKeypad* pad = nav.FNumericKeypad;
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(pad->parentWidget(), &nav);
    EXPECT_EQ(pad->pos(), QPoint(client.width() - 180, client.top() + client.height() - 210));
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->FTarget(), &first);

    pad->hide();  // Enter
    nav.ShowNumericKeypad(&second);
    EXPECT_EQ(nav.FNumericKeypad, pad) << "the same keypad, shown again";
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->FTarget(), &second);

    nav.ShowSimpleKeyboard(&first);
    ASSERT_NE(nav.FSimpleKeyboard, nullptr);
    EXPECT_EQ(nav.FSimpleKeyboard->pos(),
              QPoint((client.width() - 420) / 2, client.top() + client.height() - 210));
}

TEST(KeypadPlace, CornersOfTheClientArea) {
    EXPECT_EQ(keypad::KeypadPlace({987, 541}, {170, 200}), QPoint(807, 331));
    EXPECT_EQ(keypad::KeyboardPlace({987, 541}, {420, 200}), QPoint(283, 331));
    // A client area smaller than the panel: never above or left of it.
    EXPECT_EQ(keypad::KeypadPlace({100, 150}, {170, 200}), QPoint(0, 0));
    EXPECT_EQ(keypad::KeyboardPlace({300, 150}, {420, 200}), QPoint(0, 0));
}

TEST_F(TFNavKeypads, OffsetsEditsOpenThemAndTheKeysTypeThere) {
    TFNav nav;
    FNav = &nav;
    TOffsets offsets;
    Offsets = &offsets;
    QLineEdit* draft = Offsets->findChild<QLineEdit*>("OffsetA");
    ASSERT_NE(draft, nullptr);
    draft->setText("1");
    Offsets->NumericEditClick(draft);
    ASSERT_NE(nav.FNumericKeypad, nullptr);
    nav.FNumericKeypad->ButtonClick(10);  // 0
    EXPECT_EQ(draft->text(), "10");

    Offsets->TextEditClick(draft);
    ASSERT_NE(nav.FSimpleKeyboard, nullptr);
    EXPECT_EQ(nav.FSimpleKeyboard->FTarget(), draft);
    Offsets = nullptr;
    FNav = nullptr;
}

// A keypad or keyboard opened from a window goes when that window closes,
// and only then; opened again, it follows the window it was opened from now.
TEST_F(TFNavKeypads, TheyHideWithTheWindowThatOpenedThem) {
    TFNav nav;
    FNav = &nav;
    nav.show();
    TOffsets offsets;
    Offsets = &offsets;
    QWidget other;
    QLineEdit elsewhere(&other);
    offsets.show();
    other.show();
    offsets.NumericEditClick(offsets.OffsetA);
    offsets.TextEditClick(offsets.Location);
    ASSERT_TRUE(nav.FNumericKeypad && nav.FSimpleKeyboard);
    other.hide();
    EXPECT_TRUE(nav.FNumericKeypad->isVisible());
    EXPECT_TRUE(nav.FSimpleKeyboard->isVisible());
    offsets.close();
    EXPECT_FALSE(nav.FNumericKeypad->isVisible());
    EXPECT_FALSE(nav.FSimpleKeyboard->isVisible());

    offsets.show();
    offsets.NumericEditClick(offsets.OffsetA);
    other.show();
    nav.ShowNumericKeypad(&elsewhere);
    offsets.close();
    EXPECT_TRUE(nav.FNumericKeypad->isVisible());
    other.hide();
    EXPECT_FALSE(nav.FNumericKeypad->isVisible());
    Offsets = nullptr;
    FNav = nullptr;
}

}  // namespace
