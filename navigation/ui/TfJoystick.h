// The battery window: a tiny stay-on-top window with the echo sounder's
// battery voltage, which only the message type "Plovan SMT" carries, as
// wide as its caption needs beside a window manager's buttons. It
// hides itself within a second whenever another type is chosen; nothing
// but the main window's first show brings it back. The surveyor cannot
// close it.
//
// It also holds a jog pad, hidden (nothing shows it), whose buttons send
// axis commands to the GNSS port.
#pragma once

#include <QWidget>

class QCloseEvent;
class QLabel;
class QPushButton;
class QTimer;

class TfJoystick : public QWidget {
    Q_OBJECT
  public:
    explicit TfJoystick(QWidget* parent = nullptr);

    // Published handlers.
    void bUpClick();
    void bBottomClick();
    void bRightClick();
    void bLeftClick();
    void BitBtn1Click();
    void BitBtn5Click();
    void Timer1Timer();

    // Controls of the layout.
    QLabel* pBattery = nullptr;  // the voltage with 2 decimals, empty until the first
    QWidget* Panel1 = nullptr;   // the jog pad, hidden
    QPushButton* bUp = nullptr;
    QPushButton* bLeft = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* bRight = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* bBottom = nullptr;
    QPushButton* BitBtn2 = nullptr;  // no handler
    QTimer* Timer1 = nullptr;        // 1000 ms, for the whole run

  protected:
    void setVisible(bool visible) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Through the GNSS reader, open or not (a closed reader writes nothing).
    void Send(const std::string& text);
    void FitCaption();
};

extern TfJoystick* fJoystick;
