// An up-down button pair beside an edit, as the settings windows use it: a
// click reads the edit's number (its own position when the text is not a
// whole number), steps it by the increment within Min..Max, and writes the
// result into the edit, which runs the edit's change handler like typing.
// WritePosition() does the same without a step; the windows call it once
// when they are created.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
  public:
    TUpDown(QLineEdit* associate, int min, int max, int position, int increment,
            QWidget* parent = nullptr);

    int Position() const { return FPosition; }
    QToolButton* UpButton() const { return FUp; }
    QToolButton* DownButton() const { return FDown; }

    // Writes the position into the edit; an edit that already shows it still
    // gets its change handler run.
    void WritePosition();
    // One click on the upper (+1) or lower (-1) button.
    void Click(int direction);

  private:
    QLineEdit* FAssociate;
    QToolButton* FUp;
    QToolButton* FDown;
    int FMin, FMax, FPosition, FIncrement;
};
