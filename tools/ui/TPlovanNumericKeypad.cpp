#include "tools/ui/TPlovanNumericKeypad.h"

#include <QToolButton>

#include "platform/HandlerGuard.h"
#include "tools/KeypadKeys.h"

TPlovanNumericKeypad::TPlovanNumericKeypad(QWidget* parent) : TKeypadPanel(parent) {
    resize(170, 200);
    CreateButtons();
}

void TPlovanNumericKeypad::CreateButtons() {
    for (int i = 0; i < keypad::kNumericKeys; ++i) {
        QToolButton* key =
            MakeKey(keypad::NumericKey(i).text, (i % 3) * 55 + 5, (i / 3) * 50 + 5, 50, 45, true);
        key->setProperty("tag", i);
        connect(key, &QToolButton::clicked, this,
                [this, i] { platform::GuardHandler([this, i] { ButtonClick(i); }); });
        FButtons.push_back(key);
    }
}

void TPlovanNumericKeypad::ButtonClick(int index) {
    if (!FTarget() || index < 0 || index >= keypad::kNumericKeys) return;
    const keypad::Key key = keypad::NumericKey(index);
    switch (key.action) {
        case keypad::Action::Enter:
            hide();
            break;
        case keypad::Action::Back:
            EditTarget(keypad::WithoutLastCharacter);
            break;
        case keypad::Action::Type:
            EditTarget([&](const QString& text) { return keypad::Typed(text, key.text); });
            break;
    }
}
