// The vessel shape window: the five numbers of the vessel symbol (circles
// and heading arrow). It reads "VESSEL_SHAPE" once, at creation, and writes
// it on "Save && Hide"; it stays on top and has no title-bar buttons, so
// "Save && Hide" puts it away.
//
// The map tick reads Values(): the last valid number of every edit, which a
// typo in progress never changes or breaks.
#pragma once

#include <QWidget>

#include "tools/VesselShape.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFShape : public QWidget {
    Q_OBJECT
  public:
    explicit TFShape(QWidget* parent = nullptr);

    const tools::VesselShapeValues& Values() const { return FValues; }

    // Published handlers.
    void FormCreate();
    void BitBtn1Click();   // "Save && Hide"
    void bDefaultClick();  // the default set; nothing is written

    QGroupBox* GroupBox1 = nullptr;  // "All in one pole"
    QLineEdit* edRadious = nullptr;
    QLineEdit* edInterval = nullptr;
    QLineEdit* edAmount = nullptr;
    QLineEdit* edLArrow = nullptr;
    QLineEdit* edBArrow = nullptr;
    QPushButton* bDefault = nullptr;
    QLabel* Label1 = nullptr;  // "Changes requires restart of program."
    QPushButton* BitBtn1 = nullptr;

  protected:
    void setVisible(bool visible) override;

  private:
    tools::VesselShapeValues FValues;
};

extern TFShape* FShape;
