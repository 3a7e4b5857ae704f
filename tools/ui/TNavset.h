// The navigation settings window: the vessel symbol's colour and width, the
// map tick's rate, the map background, the track lines' colours, width,
// spacing and style, and the shallow-water alert depth. A small stay-on-top
// tool window, created at start and visible from then on; closing only
// hides it. Its section "NAVIGATION_SETTINGS" is read at every show and
// written at every close; its placement (position only) is restored at show
// and stored at close and hide.
//
// The survey loop reads Values(): the last valid entry of every control,
// which never raises whatever is being typed. The window's own handlers
// keep their behaviour: a width or rate that is not a whole number shows the
// conversion error in one message box.
//
// The canvas and the map timer belong to the main window; every handler
// that touches them does nothing when they are gone.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "tools/NavigationSettings.h"

class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QHideEvent;
class QLineEdit;
class QTimer;
class TPlovanCanvas;
class TUpDown;
namespace platform {
class ColorBox;
}

class TNavset : public QWidget {
    Q_OBJECT
  public:
    // `canvas` and `mapTimer` are the main window's (either may be null).
    TNavset(TPlovanCanvas* canvas, QTimer* mapTimer, QWidget* parent = nullptr);

    const tools::NavigationValues& Values() const { return FValues; }

    // Published handlers.
    void FormShow();
    void FormCloseQuery();
    void FormHide();
    void VesselColorChange();
    void VesselWidthChange();
    void eVesselUpdateRateChange();
    void fcadColorChange();
    void TrackWidthChange();
    void TrackDistanceChange();
    void edDepthAlert1Change();

    // Controls of the layout.
    QGroupBox* GroupBox1 = nullptr;  // " Vessel Color && Width"
    platform::ColorBox* VesselColor = nullptr;
    QLineEdit* VesselWidth = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLineEdit* eVesselUpdateRate = nullptr;
    TUpDown* UpDown4 = nullptr;
    QGroupBox* GroupBox2 = nullptr;  // "Background Color"
    platform::ColorBox* fcadColor = nullptr;
    QGroupBox* GroupBox3 = nullptr;  // " Track Lines (Fixed/Float)"
    platform::ColorBox* ColorTracklines1 = nullptr;
    platform::ColorBox* ColorTracklines0 = nullptr;
    QCheckBox* cLineOrDot = nullptr;
    QLineEdit* TrackWidth = nullptr;
    TUpDown* UpDown2 = nullptr;
    QLineEdit* TrackDistance = nullptr;
    TUpDown* UpDown3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;  // "Alert"
    QLineEdit* edDepthAlert1 = nullptr;

  protected:
    // A show by the program (not a restore from minimise) runs FormShow
    // before the window reaches the screen.
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void BuildLayout();
    void TakeColors();

    QPointer<TPlovanCanvas> FCanvas;
    QPointer<QTimer> FMapTimer;
    tools::NavigationValues FValues;
};

// The window, created by the program entry after the main window.
extern TNavset* Navset;
