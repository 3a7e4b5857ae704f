#include "tools/ui/TPlovanSimpleKeyboard.h"

#include <QToolButton>

#include "platform/HandlerGuard.h"

namespace {

// The rows of character keys: how many keys, the left of the first, the top.
struct Row {
    int keys, left, top;
};
constexpr Row kRows[] = {{10, 3, 3}, {10, 3, 44}, {9, 22, 85}, {7, 54, 126}};

}  // namespace

TPlovanSimpleKeyboard::TPlovanSimpleKeyboard(QWidget* parent) : TKeypadPanel(parent) {
    resize(420, 200);
    CreateButtons();
}

void TPlovanSimpleKeyboard::CreateButtons() {
    auto onClick = [this](QToolButton* key, auto handler) {
        connect(key, &QToolButton::clicked, this,
                [this, handler] { platform::GuardHandler([this, handler] { handler(this); }); });
    };
    int index = 0;
    for (const Row& row : kRows) {
        for (int i = 0; i < row.keys; ++i, ++index) {
            QToolButton* key = MakeKey(keypad::CharacterKeyText(index, FCase.lettersUpper),
                                       41 * i + row.left, row.top, 38, 38, false);
            key->setProperty("tag", index);
            onClick(key, [index](TPlovanSimpleKeyboard* k) { k->KeyClick(index); });
            FKeys.push_back(key);
        }
    }
    FShiftKey = MakeKey(QStringLiteral("Shift"), 3, 126, 48, 38, false);
    FBackKey = MakeKey(QStringLiteral("Back"), 341, 126, 53, 38, false);
    FSpaceKey = MakeKey(QStringLiteral("Space"), 44, 167, 250, 38, false);
    FEnterKey = MakeKey(QStringLiteral("Enter"), 297, 167, 80, 38, true);
    onClick(FShiftKey, [](TPlovanSimpleKeyboard* k) { k->ShiftClick(); });
    onClick(FBackKey, [](TPlovanSimpleKeyboard* k) { k->BackClick(); });
    onClick(FSpaceKey, [](TPlovanSimpleKeyboard* k) { k->SpaceClick(); });
    onClick(FEnterKey, [](TPlovanSimpleKeyboard* k) { k->EnterClick(); });
}

void TPlovanSimpleKeyboard::KeyClick(int index) {
    if (!FTarget() || index < 0 || index >= keypad::kCharacterKeys) return;
    const QString typed = keypad::CharacterKeyText(index, FCase.lettersUpper);
    EditTarget([&](const QString& text) { return keypad::Typed(text, typed); });
    if (FCase.shift) {
        FCase.CharacterTyped();
        UpdateLetterCase();
    }
}

void TPlovanSimpleKeyboard::ShiftClick() {
    FCase.ToggleShift();
    UpdateLetterCase();
}

void TPlovanSimpleKeyboard::BackClick() { EditTarget(keypad::WithoutLastCharacter); }

void TPlovanSimpleKeyboard::SpaceClick() {
    EditTarget([](const QString& text) { return keypad::Typed(text, QStringLiteral(" ")); });
}

void TPlovanSimpleKeyboard::EnterClick() { hide(); }

void TPlovanSimpleKeyboard::UpdateLetterCase() {
    for (int i = 10; i < static_cast<int>(FKeys.size()); ++i)
        FKeys[static_cast<size_t>(i)]->setText(keypad::CharacterKeyText(i, FCase.lettersUpper));
}
