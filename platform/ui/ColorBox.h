// A colour box as the settings windows use it: a drop-down of the standard
// and extended colours under their pretty names ("Navy", "Money Green"),
// then "Custom..." which opens a colour dialog. Colours are 0x00BBGGRR
// integers, as everywhere in the drawing.
//
// Selecting in code (SetSelected) emits nothing: only a choice of the user
// raises colorChanged, as the class library's colour box runs its handler
// only then. A colour not in the list is shown as a custom entry.
#pragma once

#include <QComboBox>
#include <cstdint>

namespace platform {

class ColorBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ColorBox(QWidget* parent = nullptr);

    std::uint32_t Selected() const;
    void SetSelected(std::uint32_t bgr);

  signals:
    void colorChanged(std::uint32_t bgr);

  private:
    void OnActivated(int index);
    int IndexOf(std::uint32_t bgr) const;
    void SetCustom(std::uint32_t bgr);

    std::uint32_t lastChosen_ = 0;  // what the box showed before the current choice
};

}  // namespace platform
