// The on-screen keypad and keyboard on real widgets: their layout, what each
// key does to line edits, masked edits and combo boxes, and that keys act by
// their place, whatever their captions say.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <vector>

#include "tools/KeypadKeys.h"
#include "tools/ui/TPlovanNumericKeypad.h"
#include "tools/ui/TPlovanSimpleKeyboard.h"

namespace {

QRect Geometry(int left, int top, int width, int height) { return {left, top, width, height}; }

TEST(Keypad, NumericLayout) {
    QWidget owner;
    TPlovanNumericKeypad pad(&owner);
    EXPECT_EQ(pad.size(), QSize(170, 200));
    const char* captions[] = {"7", "8", "9", "4", "5", "6", "1", "2", "3", "Back", "0", "Enter"};
    ASSERT_EQ(pad.Buttons().size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const QToolButton* key = pad.Buttons()[static_cast<size_t>(i)];
        EXPECT_EQ(key->text(), captions[i]);
        EXPECT_EQ(key->geometry(), Geometry((i % 3) * 55 + 5, (i / 3) * 50 + 5, 50, 45)) << i;
        EXPECT_EQ(key->property("tag").toInt(), i);
        EXPECT_TRUE(key->font().bold());
        EXPECT_EQ(key->font().pointSize(), 10);
        EXPECT_EQ(key->focusPolicy(), Qt::NoFocus);
    }
}

TEST(Keypad, KeyboardLayout) {
    QWidget owner;
    TPlovanSimpleKeyboard keyboard(&owner);
    EXPECT_EQ(keyboard.size(), QSize(420, 200));
    const QString captions = "1234567890QWERTYUIOPASDFGHJKLZXCVBNM";
    ASSERT_EQ(keyboard.CharacterKeys().size(), 36u);
    struct Row {
        int first, count, left, top;
    };
    for (const Row row :
         {Row{0, 10, 3, 3}, Row{10, 10, 3, 44}, Row{20, 9, 22, 85}, Row{29, 7, 54, 126}}) {
        for (int i = 0; i < row.count; ++i) {
            const QToolButton* key = keyboard.CharacterKeys()[static_cast<size_t>(row.first + i)];
            EXPECT_EQ(key->text(), QString(captions[row.first + i]));
            EXPECT_EQ(key->geometry(), Geometry(41 * i + row.left, row.top, 38, 38));
            EXPECT_EQ(key->focusPolicy(), Qt::NoFocus);
        }
    }
    EXPECT_EQ(keyboard.ShiftKey()->geometry(), Geometry(3, 126, 48, 38));
    EXPECT_EQ(keyboard.BackKey()->geometry(), Geometry(341, 126, 53, 38));
    EXPECT_EQ(keyboard.SpaceKey()->geometry(), Geometry(44, 167, 250, 38));
    EXPECT_EQ(keyboard.EnterKey()->geometry(), Geometry(297, 167, 80, 38));
    EXPECT_TRUE(keyboard.EnterKey()->font().bold());
    EXPECT_FALSE(keyboard.SpaceKey()->font().bold());
}

TEST(Keypad, PanelsAreBlackWithAnOrangeFrame) {
    QWidget owner;
    owner.resize(500, 300);
    TPlovanNumericKeypad pad(&owner);
    pad.Buttons()[0]->hide();  // the probes below sit where keys would be
    const QImage picture = pad.grab().toImage();
    EXPECT_EQ(picture.pixelColor(1, 100), QColor(0xFF, 0xA5, 0x00));
    EXPECT_EQ(picture.pixelColor(20, 20), QColor(Qt::black));
}

TEST(Keypad, NumericKeysEditTheTarget) {
    QLineEdit edit;
    int changes = 0;
    QObject::connect(&edit, &QLineEdit::textChanged, [&] { ++changes; });
    TPlovanNumericKeypad pad(nullptr);
    pad.ButtonClick(6);  // no target: nothing
    pad.SetTarget(&edit);
    pad.ButtonClick(9);  // Back on an empty text writes nothing
    EXPECT_EQ(changes, 0);
    for (const int key : {6, 7, 9, 8}) pad.ButtonClick(key);  // 1 2 Back 3
    EXPECT_EQ(edit.text(), "13");
    EXPECT_EQ(changes, 4) << "each key runs the edit's change handler";

    pad.show();
    pad.ButtonClick(11);  // Enter
    EXPECT_FALSE(pad.isVisible());
    EXPECT_EQ(edit.text(), "13");
}

TEST(Keypad, KeysActByPlaceNotCaption) {
    QLineEdit edit("12");
    TPlovanNumericKeypad pad(nullptr);
    pad.SetTarget(&edit);
    pad.Buttons()[9]->setText("Geri");    // translated "Back"
    pad.Buttons()[11]->setText("Tamam");  // translated "Enter"
    pad.Buttons()[9]->click();
    EXPECT_EQ(edit.text(), "1");
    pad.show();
    pad.Buttons()[11]->click();
    EXPECT_FALSE(pad.isVisible());
    EXPECT_EQ(edit.text(), "1");

    TPlovanSimpleKeyboard keyboard(nullptr);
    keyboard.SetTarget(&edit);
    keyboard.BackKey()->setText("Geri");
    keyboard.BackKey()->click();
    EXPECT_EQ(edit.text(), "");
}

TEST(Keypad, BackRemovesTheLastWholeCharacter) {
    struct Case {
        QString before, after;
    } cases[] = {
        {QString::fromUtf8("Ölç"), QString::fromUtf8("Öl")},
        {QString::fromUtf8("Iğ"), "I"},
        {QString::fromUtf8("ab\U0001F30A"), "ab"},  // outside the BMP
        {QString::fromUtf8("ae\u0301"), "a"},       // e with a combining accent
        {"x", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keypad::WithoutLastCharacter(c.before), c.after) << c.before.toStdString();
}

TEST(Keypad, KeyboardShiftCycle) {
    QLineEdit edit;
    TPlovanSimpleKeyboard keyboard(nullptr);
    keyboard.SetTarget(&edit);
    const int q = 10, a = 20;
    keyboard.KeyClick(q);
    EXPECT_EQ(edit.text(), "Q") << "a fresh keyboard types capitals";
    keyboard.ShiftClick();
    EXPECT_TRUE(keyboard.FShift());
    keyboard.KeyClick(a);
    EXPECT_EQ(edit.text(), "QA");
    EXPECT_FALSE(keyboard.FShift());
    EXPECT_EQ(keyboard.CharacterKeys()[a]->text(), "a");
    EXPECT_EQ(keyboard.CharacterKeys()[0]->text(), "1");
    keyboard.KeyClick(a);
    keyboard.SpaceClick();
    keyboard.KeyClick(0);
    EXPECT_EQ(edit.text(), "QAa 1");
    keyboard.BackClick();
    EXPECT_EQ(edit.text(), "QAa ");
    keyboard.ShiftClick();
    keyboard.ShiftClick();  // twice: lower case again, no shift pending
    keyboard.KeyClick(q);
    EXPECT_EQ(edit.text(), "QAa q");

    keyboard.show();
    keyboard.EnterClick();
    EXPECT_FALSE(keyboard.isVisible());
}

TEST(Keypad, TargetsOfEveryKind) {
    TPlovanNumericKeypad pad(nullptr);

    QLineEdit masked;
    masked.setInputMask("9999");
    pad.SetTarget(&masked);
    for (const int key : {6, 7, 8}) pad.ButtonClick(key);  // 1 2 3
    EXPECT_EQ(masked.text(), "123");

    QComboBox editable;
    editable.setEditable(true);
    int edits = 0;
    QObject::connect(&editable, &QComboBox::editTextChanged, [&] { ++edits; });
    pad.SetTarget(&editable);
    pad.ButtonClick(10);  // 0
    EXPECT_EQ(editable.currentText(), "0");
    EXPECT_EQ(edits, 1);

    QSpinBox other;
    other.setValue(5);
    pad.SetTarget(&other);
    for (int key = 0; key < 12; ++key)
        if (key != 11) pad.ButtonClick(key);
    EXPECT_EQ(other.value(), 5);

    {
        QLineEdit gone;
        pad.SetTarget(&gone);
    }
    pad.ButtonClick(0);  // the target was destroyed: nothing, no crash
    EXPECT_EQ(pad.FTarget(), nullptr);
}

}  // namespace
