// The message window: device messages of the survey loop ("GPS is idle!")
// in a memo. A show starts its 4 s timer, whose first tick hides it; a
// message while it is visible does not restart the 4 s. The memo keeps its
// lines across shows (the last kMaxLines); a click on it hides the window
// and empties it. A stay-on-top window, created at start, hidden; it comes
// up in the main window's map, clear of its bars, and leaves the keyboard to
// the window the surveyor works in.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QTimer;

class TFMsg : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxLines = 1000;

    explicit TFMsg(QWidget* parent = nullptr);

    // Adds `text` as a new line; with `show`, shows the window unless it is
    // already visible.
    void AddMessage(const QString& text, bool show);

    // Published handlers.
    void FormShow();
    void FormHide();
    void Timer1Timer();
    void MsgClick();

    QPlainTextEdit* Msg = nullptr;
    QTimer* Timer1 = nullptr;  // 4000 ms, running only while visible

  protected:
    void setVisible(bool visible) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TFMsg* FMsg;
