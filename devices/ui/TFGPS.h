// The device settings window: the two serial ports, the echo-sounder
// message format, the gyro, the geodetic parameters, the display settings
// and a monitor of the raw port lines. Its controls are the live settings:
// other windows read them (through the getters below) when they need a
// value. "SAVE && LOCK SETTINGS" saves everything and locks the settings
// pages; Apply ("GPS Set", "SBES Set") hands a port's settings to its reader.
//
// Created once at start, after the main window; closing only hides it. The
// window never includes the main window: what it needs of it (canvas,
// screenshot timer, readers, the echo flag, the realtime window's layout)
// comes through TFGPSHost, each entry optional.
//
// Controls carry their layout names as object names. Every handler that Qt
// calls runs through platform::GuardHandler. Check boxes act on toggled
// (also when set in code), edits on textChanged, the message type box and
// the colour boxes only on the surveyor's choice.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "devices/DeviceGeodesy.h"
#include "devices/DeviceSettingsFile.h"
#include "devices/EchoSounderFormats.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class TPlovanCanvas;
class TPlovanSerialGPS;
namespace platform {
class ColorBox;
}

struct TFGPSHost {
    std::function<TPlovanCanvas*()> Canvas;           // the main window's map canvas
    std::function<QTimer*()> ScreenshotTimer;         // the main window's tScreenshot
    std::function<TPlovanSerialGPS*()> GnssReader;    // ZGPS1
    std::function<TPlovanSerialGPS*()> SensorReader;  // ZSENSOR
    std::function<bool()> EchoRawSentences;           // the main window's FEchoRawSentences
    std::function<void(bool)> SetEchoRawSentences;
    // The realtime window's two layouts: true shows the low-frequency depth
    // (ShowLowFrequencyDepth), false hides it (HideLowFrequencyDepth).
    std::function<void(bool)> LowFrequencyDepth;
};

class TFGPS : public QDialog {
    Q_OBJECT
  public:
    // Builds the layout's controls, connects the handlers, then runs FormCreate.
    explicit TFGPS(TFGPSHost host = {}, QWidget* parent = nullptr);
    ~TFGPS() override;

    // Handlers of the window's life.
    void FormCreate();
    void FormShow();
    void FormCloseQuery();
    void BitBtn2Click();

    // Apply of one port; false (after one message) when a text was refused.
    bool GPSSetClick();
    bool SensorSetClick();

    // Save and lock, or unlock.
    void LockStateCheck1Click();

    // Monitor.
    void MemoGPSChange();
    void MemoSensorChange();
    void MemoGPSMouseDown();
    void MemoGPSMouseUp();
    // A received line for the monitor: shown while the window is visible and
    // the main window echoes raw sentences.
    void EchoGnssLine(const std::string& line);
    void EchoSensorLine(const std::string& line);

    // The surveyor's choice of a message type: a listed type's format
    // replaces the format edit (see FormatAfterTypeChoice), and the realtime
    // window takes the type's layout.
    void cSBESMessageChange();
    // The realtime window's start-up timer: the stored type's layout only;
    // the stored format stays as it is, an "OTHER" format equal to a listed
    // one included.
    void ApplyStoredSBESMessageType();
    // The GNSS monitor's background (0x00BBGGRR): white once the map tick
    // runs, red after "GPS Timeout!".
    void SetGpsMemoColor(uint32_t bgr);
    uint32_t GpsMemoColor() const { return FGpsMemoColor; }
    void cbUseTMProjectionClick();
    void cbUseLCCProjectionClick();
    void cLambert1Click();
    void cbGridVisibleClick();
    void cbGridColorChange();
    void cbAutoGridClick();
    void cbShowDepthLabelsClick();
    void edEventLabelFontSizeChange();
    void cbEventLabelColorChange();
    void edOverlayFontSizeChange();
    void cbOverlayDepthColorChange();
    void cbOverlaySpeedColorChange();
    void eScreenshotIntervalChange();
    void eSBESFormatChange();

    // Getters for the other windows; none of them throws.
    std::string SBESMessageText() const;
    // The format edit compiled; recompiled at each change of the edit. An
    // invalid one carries its reason and scans nothing.
    const SBESFormat& SBESScanFormat() const { return FSBESFormat; }
    bool IsSensorEnabled() const;
    bool IsGyroEnabled() const;
    // Every value of the window as it stands (geodetic texts and switches
    // included), as one snapshot.
    DeviceSettingsValues Values() const;
    // The datum, ellipsoid and Transverse Mercator texts of the edits as they
    // stand.
    GeodeticTexts GeodeticTextsNow() const;
    // The geodetic edits and switches as one typed grid system, built again
    // only after one of them changed; std::nullopt (with the reason in
    // GridSystemError) while a text it needs is not a number.
    const std::optional<DeviceGridSystem>& GridSystem() const;
    const std::string& GridSystemError() const;

    // Controls of the layout.
    QTabWidget* SettingTabs = nullptr;
    QWidget* GPSTabSheet = nullptr;
    QWidget* SensorTabSheet = nullptr;
    QWidget* ParametersTabSheet = nullptr;
    QWidget* tGlobalSetting = nullptr;
    QWidget* TabSheet1 = nullptr;

    QComboBox *Port = nullptr, *BaudRate = nullptr, *DataWidth = nullptr, *StopBits = nullptr,
              *Parity = nullptr, *Priority = nullptr, *Delay = nullptr, *NMEALog = nullptr,
              *LogTime = nullptr, *EnableDTR = nullptr, *EnableRTS = nullptr;
    QCheckBox* GyroEnabled = nullptr;
    QPushButton* GPSSet = nullptr;

    QComboBox *SPort = nullptr, *SBaudRate = nullptr, *SDataWidth = nullptr, *SStopBits = nullptr,
              *SParity = nullptr, *SPriority = nullptr, *SDelay = nullptr, *SNMEALog = nullptr,
              *SLogTime = nullptr, *SEnableDTR = nullptr, *SEnableRTS = nullptr;
    QCheckBox* SensorEnabled = nullptr;
    QPushButton* SensorSet = nullptr;
    QComboBox* cSBESMessage = nullptr;
    QLineEdit* eSBESFormat = nullptr;
    QLabel* SBESFormatError = nullptr;  // why the format is refused, beside the edit

    QLineEdit *edSMA = nullptr, *edIF = nullptr, *edRX = nullptr, *edRY = nullptr, *edRZ = nullptr,
              *edSX = nullptr, *edSY = nullptr, *edSZ = nullptr, *edPPM = nullptr;
    QCheckBox* cbUseDTP = nullptr;
    QLineEdit* edNameOfDatum = nullptr;
    QLineEdit *edCM = nullptr, *edRL = nullptr, *edSF = nullptr, *edFE = nullptr, *edFN = nullptr;
    QCheckBox* cbUseTMProjection = nullptr;
    QLineEdit *eLCCSP1 = nullptr, *eLCCSP2 = nullptr, *eLCCCP = nullptr, *eLCCM = nullptr,
              *eLCCSF = nullptr, *eLCCFE = nullptr, *eLCCFN = nullptr;
    QCheckBox* cbUseLCCProjection = nullptr;
    QCheckBox* cLambert1 = nullptr;

    QCheckBox* cbGridVisible = nullptr;
    QCheckBox* cbAutoGrid = nullptr;
    QLineEdit *edGridSpacingX = nullptr, *edGridSpacingY = nullptr;
    platform::ColorBox* cbGridColor = nullptr;
    QCheckBox* cbShowDepthLabels = nullptr;
    QLineEdit *edDepthLabelSpacing = nullptr, *edDepthLabelFontName = nullptr,
              *edDepthLabelFontSize = nullptr;
    platform::ColorBox* cbTextColor = nullptr;
    QLineEdit* edEventLabelFontSize = nullptr;
    platform::ColorBox* cbEventLabelColor = nullptr;
    QLineEdit* eScreenshotInterval = nullptr;
    QLineEdit* edOverlayFontSize = nullptr;
    platform::ColorBox *cbOverlayDepthColor = nullptr, *cbOverlaySpeedColor = nullptr;

    QPlainTextEdit *MemoGPS = nullptr, *MemoSensor = nullptr;

    QPushButton* BitBtn2 = nullptr;
    QCheckBox* LockStateCheck1 = nullptr;

    // The eleven port boxes of each port, in Apply's order.
    std::array<QComboBox*, 11> GnssPortBoxes() const;
    std::array<QComboBox*, 11> SensorPortBoxes() const;

    // Opens centred in the map area; later shows where it was left.
    void setVisible(bool visible) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape closes as the close button does.
    void reject() override;

  private:
    void BuildLayout();
    void ConnectHandlers();
    void ReadSettings();
    bool ApplyPort(const std::array<QComboBox*, 11>& boxes, TPlovanSerialGPS* reader,
                   std::string_view logSuffix);
    void SetSettingsPagesEnabled(bool enabled);
    // Hands the remembered grid to the canvas; repaints when asked.
    void PushGridToCanvas(bool repaint);
    TPlovanCanvas* Canvas() const;
    void EchoLine(QPlainTextEdit* memo, const std::string& line);
    void TrimMemo(QPlainTextEdit* memo);

    TFGPSHost FHost;
    SBESFormat FSBESFormat;
    // The typed grid system and why it is refused; rebuilt when stale.
    mutable std::optional<DeviceGridSystem> FGridSystem;
    mutable std::string FGridSystemError;
    mutable bool FGridSystemStale = true;
    bool FCreating = false;  // FormCreate runs: its save leaves the screenshot key alone
    uint32_t FGpsMemoColor = 0xFFFFFF;
};

// The device settings window, created by the program entry.
extern TFGPS* FGPS;
