// What the keys of the on-screen keypad and keyboard do to a target's text.
// The panels read the target's whole text, change it by one key and write it
// back, so these are pure functions on QString. Keys are known by their
// place in the layout, never by their caption: captions may be translated.
//
// "Back" removes the last whole character (a letter with its combining
// marks, or a character outside the Basic Multilingual Plane), wherever the
// caret is.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <array>

namespace keypad {

enum class Action { Type, Back, Enter };

struct Key {
    Action action;
    QString text;  // what Type appends; the default caption of Back and Enter
};

// The numeric keypad's twelve buttons in index order (row by row, three to
// a row): 7 8 9 / 4 5 6 / 1 2 3 / Back 0 Enter.
constexpr int kNumericKeys = 12;
Key NumericKey(int index);

// The keyboard's 36 character keys in creation order: the ten digits, then
// the letters of the three rows (QWERTYUIOP, ASDFGHJKL, ZXCVBNM), capitals.
constexpr int kCharacterKeys = 36;
QChar CharacterKey(int index);
// What a character key types and shows: a letter in the case the letters
// currently show, a digit as it is.
QString CharacterKeyText(int index, bool lettersUpper);

QString Typed(const QString& text, const QString& typed);
QString WithoutLastCharacter(const QString& text);

// The keyboard's letter case: capitals at creation, and from the first use
// of Shift on they follow the one-shot shift flag.
struct ShiftState {
    bool shift = false;
    bool lettersUpper = true;

    void ToggleShift();
    // After a character key: a pending shift is used up.
    void CharacterTyped();
};

// Where the panels stand in a window's client area: the keypad in the bottom
// right corner, the keyboard centred at the bottom, each 10 pixels in, and
// never above or left of the client area.
QPoint KeypadPlace(QSize client, QSize panel);
QPoint KeyboardPlace(QSize client, QSize panel);

}  // namespace keypad
