// The About dialog of the "Help" menu: the program's name and an OK button.
// Modal, centred on the main window's map at its first show and where it was
// left at later ones; created once at start, shown again at every menu click.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TformAbout : public QDialog {
    Q_OBJECT
  public:
    explicit TformAbout(QWidget* parent = nullptr);

    void BitBtn1Click();  // closes the window

    QFrame* Panel4 = nullptr;
    QLabel* SoftName = nullptr;
    QPushButton* BitBtn2 = nullptr;  // OK

  protected:
    void setVisible(bool visible) override;
};

extern TformAbout* formAbout;
