// The on-screen numeric keypad: twelve keys (7 8 9 / 4 5 6 / 1 2 3 /
// Back 0 Enter) that type digits into the target, remove its last
// character, or hide the keypad. Each key's tag is its index; the keys act
// by index, so a translated caption changes nothing of what they do.
#pragma once

#include <vector>

#include "tools/ui/KeypadPanel.h"

class TPlovanNumericKeypad : public TKeypadPanel {
    Q_OBJECT
  public:
    explicit TPlovanNumericKeypad(QWidget* parent);

    const std::vector<QToolButton*>& Buttons() const { return FButtons; }
    // A click on button `index`; nothing without a target or for another index.
    void ButtonClick(int index);

  private:
    void CreateButtons();

    std::vector<QToolButton*> FButtons;
};
