// The black panel with an orange frame that the on-screen keypad and
// keyboard share, and their target: the control whose text the keys edit.
// A target is a line edit (with or without an input mask) or a combo box;
// any other control is never changed. Writing the text runs the target's
// change handlers, as typing would. The keys are tool buttons that never
// take the focus, so the target keeps it while the surveyor taps.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QToolButton;

// The target's whole text; empty for no target or another kind of control.
QString GetTargetText(const QWidget* target);
// Writes `text` into a line edit or combo box; other controls stay as they are.
void SetTargetText(QWidget* target, const QString& text);

class TKeypadPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TKeypadPanel(QWidget* parent);

    QWidget* FTarget() const { return FTargetControl; }
    void SetTarget(QWidget* target) { FTargetControl = target; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A key of `width` × `height` at (left, top), font size 10, black text.
    QToolButton* MakeKey(const QString& caption, int left, int top, int width, int height,
                         bool bold);
    // The target's text changed by `change`, written back only when it
    // changed (Back on an empty text writes nothing); nothing without a target.
    template <typename Change>
    void EditTarget(Change change) {
        if (!FTargetControl) return;
        const QString text = GetTargetText(FTargetControl);
        const QString changed = change(text);
        if (changed != text) SetTargetText(FTargetControl, changed);
    }

  private:
    QPointer<QWidget> FTargetControl;  // cleared when the control goes
};
