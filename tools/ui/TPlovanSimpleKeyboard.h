// The on-screen text keyboard: 36 character keys (digits and the letters of
// three rows), Shift, Back, Space and Enter. Letters start as capitals; from
// the first Shift on they show and type lower case, upper case for the one
// key after Shift. Keys act by their place in the layout, so translated
// captions change nothing of what they type.
#pragma once

#include <vector>

#include "tools/KeypadKeys.h"
#include "tools/ui/KeypadPanel.h"

class TPlovanSimpleKeyboard : public TKeypadPanel {
    Q_OBJECT
  public:
    explicit TPlovanSimpleKeyboard(QWidget* parent);

    bool FShift() const { return FCase.shift; }
    const std::vector<QToolButton*>& CharacterKeys() const { return FKeys; }
    QToolButton* ShiftKey() const { return FShiftKey; }
    QToolButton* BackKey() const { return FBackKey; }
    QToolButton* SpaceKey() const { return FSpaceKey; }
    QToolButton* EnterKey() const { return FEnterKey; }

    void KeyClick(int index);
    void ShiftClick();
    void BackClick();
    void SpaceClick();
    void EnterClick();
    // Relabels the letter keys in the case they now type.
    void UpdateLetterCase();

  private:
    void CreateButtons();

    keypad::ShiftState FCase;
    std::vector<QToolButton*> FKeys;
    QToolButton* FShiftKey = nullptr;
    QToolButton* FBackKey = nullptr;
    QToolButton* FSpaceKey = nullptr;
    QToolButton* FEnterKey = nullptr;
};
