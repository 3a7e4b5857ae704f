// The on-screen keypad and keyboard of the main window, opened from the
// offsets window's edits.
#include <QEvent>
#include <QMenuBar>
#include <QPointer>

#include "navigation/ui/TFNav.h"
#include "tools/KeypadKeys.h"
#include "tools/ui/TPlovanNumericKeypad.h"
#include "tools/ui/TPlovanSimpleKeyboard.h"

namespace {

// Hides a panel when the window of the edit it types into is hidden: a
// keypad opened from a window goes with it.
class HidesWithOpener : public QObject {
  public:
    static void Follow(QWidget* panel, QWidget* opener) {
        auto* watch = static_cast<HidesWithOpener*>(
            panel->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
        if (!watch) watch = new HidesWithOpener(panel);
        if (watch->FOpener == opener) return;
        if (watch->FOpener) watch->FOpener->removeEventFilter(watch);
        watch->FOpener = opener;
        if (opener) opener->installEventFilter(watch);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == FOpener && event->type() == QEvent::Hide && !event->spontaneous())
            FPanel->hide();
        return false;
    }

  private:
    static constexpr const char* kName = "phxHidesWithOpener";

    explicit HidesWithOpener(QWidget* panel) : QObject(panel), FPanel(panel) {
        setObjectName(kName);
    }

    QWidget* FPanel;
    QPointer<QWidget> FOpener;
};

// The panel made on first use, retargeted, placed by `place` in the client
// area below the menu bar, shown in front.
template <typename Panel, typename Place>
void ShowPanel(TFNav& window, Panel*& panel, QWidget* target, Place place) {
    if (!panel) panel = new Panel(&window);
    panel->SetTarget(target);
    HidesWithOpener::Follow(panel, target ? target->window() : nullptr);
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
