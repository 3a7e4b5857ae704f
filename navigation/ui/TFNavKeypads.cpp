// The on-screen keypad and keyboard of the main window, opened from the
// offsets window's edits.
#include <QMenuBar>

#include "navigation/ui/TFNav.h"
#include "tools/KeypadKeys.h"
#include "tools/ui/TPlovanNumericKeypad.h"
#include "tools/ui/TPlovanSimpleKeyboard.h"

namespace {

// The panel made on first use, retargeted, placed by `place` in the client
// area below the menu bar, shown in front.
template <typename Panel, typename Place>
void ShowPanel(TFNav& window, Panel*& panel, QWidget* target, Place place) {
    if (!panel) panel = new Panel(&window);
    panel->SetTarget(target);
    const int top = window.MainMenu1 && window.MainMenu1->isVisible()
                        ? window.MainMenu1->geometry().bottom() + 1
                        : 0;
    const QSize client(window.width(), window.height() - top);
    panel->move(place(client, panel->size()) + QPoint(0, top));
    panel->show();
    panel->raise();
}

}  // namespace

void TFNav::ShowNumericKeypad(QWidget* target) {
    ShowPanel(*this, FNumericKeypad, target, keypad::KeypadPlace);
}

void TFNav::ShowSimpleKeyboard(QWidget* target) {
    ShowPanel(*this, FSimpleKeyboard, target, keypad::KeyboardPlace);
}
