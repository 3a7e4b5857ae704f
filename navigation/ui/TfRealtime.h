// The realtime data window: a small stay-on-top panel beside the map with
// the live GNSS status and the latest depths in large type. The main
// window's handlers write its labels and colour its frames; the window
// itself offers a tool bar: compact mode (the main window stripped to its
// map), zoom in and out, the offsets window and the day folder.
//
// Created at start and kept for the whole run; closing only hides it. Each
// show restores its position. Frame colours are 0x00BBGGRR.
#pragma once

#include <QWidget>
#include <optional>

#include "canvas/CanvasColor.h"
#include "navigation/GnssSentences.h"

class QGroupBox;
class QLabel;
class QShowEvent;
class QTimer;
class QToolBar;
class QToolButton;

// The client sizes of the window's layouts: both depth frames, one, none.
inline constexpr int kRealtimeClientWidth = 192;
inline constexpr int kRealtimeTwoDepthHeight = 387;
inline constexpr int kRealtimeOneDepthHeight = 289;
inline constexpr int kRealtimeNoDepthHeight = 191;

class TfRealtime : public QWidget {
    Q_OBJECT
  public:
    explicit TfRealtime(QWidget* parent = nullptr);

    // Published handlers.
    void FormShow();
    void Timer1Timer();
    void btHideClick();
    void ToolButton2Click();  // zoom in
    void ToolButton3Click();  // zoom out
    void btShowOffsetsClick();
    void btOpenLogFolderClick();
    // The two depth layouts; each does nothing when the low frame already
    // is as wanted.
    void ShowLowFrequencyDepth();
    void HideLowFrequencyDepth();

    // Compact mode is btHide's image: 0 normal, 1 compact. Setting it
    // changes only the image (the main window's layout is the caller's).
    int HideImageIndex() const { return FHideImage; }
    void SetHideImageIndex(int index);
    bool CompactMode() const { return FHideImage == 1; }

    // What the survey handlers set.
    void SetClientHeight(int height);
    int ClientHeight() const;
    void SetGpsColor(TColor colour);
    // No fix stands (the GNSS port idle, closed or failed, realtime stopped,
    // or no fix for two seconds): the GPS group red, the fix type 0.
    void ShowNoFix();
    void SetDepthFramesColor(TColor colour);
    void SetDepthTexts(const QString& high, const QString& low);
    // A frame's colour as last set.
    static TColor BoxColor(const QGroupBox* box);

    // Controls of the layout.
    QWidget* Panel1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* btHide = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QWidget* ToolButton1 = nullptr;  // separator
    QToolButton* btOpenLogFolder = nullptr;
    QToolButton* btShowOffsets = nullptr;
    QGroupBox* GPSGroupBox = nullptr;
    QLabel* Fixed = nullptr;
    QLabel* Speed = nullptr;
    QLabel* SatelliteLabel = nullptr;
    QLabel* LAntennaH = nullptr;
    QLabel* LTideHt = nullptr;
    QGroupBox* DepthFrameHi = nullptr;
    QLabel* lDepthHi = nullptr;
    QGroupBox* DepthFrameLo = nullptr;
    QLabel* lDepthLo = nullptr;
    QTimer* Timer1 = nullptr;  // freed after its one tick

  protected:
    // A show by the program runs FormShow before the window reaches the screen.
    void setVisible(bool visible) override;

  private:
    void BuildLayout();
    void EnterCompactMode();
    void LeaveCompactMode();

    int FHideImage = 0;
    // The colours last set through SetGpsColor and SetDepthFramesColor: every
    // line sets them, and a new style sheet restyles the box and all its
    // children, so only a change restyles.
    std::optional<TColor> FGpsColour, FDepthFramesColour;
};

// The frame colours the survey handlers paint.
inline constexpr TColor kFrameLime = 0x00FF00;
inline constexpr TColor kFrameRed = 0x0000FF;
// GPSGroupBox's colour for a fix quality's colour.
TColor FixColourValue(FixColour colour);

// Paints a group box in `colour` with its title in `titleColour`.
void SetBoxColor(QGroupBox* box, TColor colour, TColor titleColour);

extern TfRealtime* fRealtime;
