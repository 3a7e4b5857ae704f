// The offsets window: the draft and antenna offsets, sound velocity, tide,
// place, boat and surveyor that post-processing needs. Realtime checks them,
// appends them to the day's offsets log, stores them in
// "ECHOSOUNDER_OFFSETS" and starts realtime. A stay-on-top dialog, created
// at start and kept for the whole run; closing only hides it. Each show
// reloads the edits from the settings file.
//
// The survey loop reads Values(): the last valid number of each number
// edit, which never raises whatever is being typed. Leaving a number edit
// whose text is not a number says so, naming the field, and puts the focus
// back: one box for one move of the focus, and none while a check is on its
// way (putting the focus back is not leaving the edit that had it). An empty
// edit whose field was never stored (a first start) is left as it is.
#pragma once

#include <QWidget>
#include <set>
#include <string>

#include "navigation/Offsets.h"

class QCloseEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPushButton;
class QTimer;

class TOffsets : public QWidget {
    Q_OBJECT
  public:
    explicit TOffsets(QWidget* parent = nullptr);

    const OffsetsValues& Values() const { return FValues; }
    OffsetsTexts Texts() const;

    // Published handlers.
    void FormShow();
    bool FormCloseQuery();
    void FormDblClick();
    void Timer1Timer();
    void BitBtn1Click();  // Realtime
    void BitBtn3Click();  // Cancel
    void bSVPClick();
    void bNTRIPShowClick();
    void OffsetAExit();
    void OffsetBExit();
    void OffsetCExit();
    void SVExit();
    void TideHtExit();
    void NumericEditClick(QWidget* sender);
    void TextEditClick(QWidget* sender);

    // Controls of the layout.
    QWidget* Image1 = nullptr;  // the sketch of the offsets A, B and C
    QLineEdit* OffsetA = nullptr;
    QLineEdit* OffsetB = nullptr;
    QLineEdit* OffsetC = nullptr;
    QLineEdit* SV = nullptr;
    QLineEdit* TideHt = nullptr;
    QLineEdit* Location = nullptr;
    QLineEdit* SurveyBoat = nullptr;
    QLineEdit* Surveyor = nullptr;
    QLabel* Label7 = nullptr;  // "Date and Time (UTC)"
    QLabel* time = nullptr;    // the clock
    QPushButton* bSVP = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* bNTRIPShow = nullptr;
    QTimer* Timer1 = nullptr;  // 1000 ms

  protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLayout();
    QLineEdit* FieldEdit(OffsetsField field) const;
    // Leaving a number edit: a text the number format cannot read shows the
    // conversion error with the field's name and takes the focus back.
    void CheckNumberOnExit(QLineEdit* edit);
    OffsetsField NumberFieldOf(const QLineEdit* edit) const;
    // The sound velocity window's cUseSVP is ticked: the log names the profile.
    bool SoundVelocityProfileUsed() const;

    OffsetsValues FValues;
    // A check of a left edit is on its way (queued, or showing its box):
    // another move of the focus starts none.
    bool FInExitCheck = false;
    bool FFocusingBack = false;             // the check puts the focus back
    std::set<OffsetsField> FStoredNumbers;  // number fields the settings file held at the show
    bool FHandlersAssigned = false;
};

// The clock text: the date and time of the moment in UTC, in the program's
// date and time format ("2025-03-07 093005123").
std::string UtcClockText();

extern TOffsets* Offsets;
