// The handlers of the device settings window: creation, show, close, Apply,
// save and lock, the monitor and the handlers that act at once on a change.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/EventLog.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/ui/ColorBox.h"

namespace {

std::string TextOf(const QComboBox* box) { return box->currentText().toStdString(); }
std::string TextOf(const QLineEdit* edit) { return edit->text().toStdString(); }
QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

PortTexts TextsOf(const std::array<QComboBox*, 11>& b) {
    return {TextOf(b[0]), TextOf(b[1]), TextOf(b[2]), TextOf(b[3]), TextOf(b[4]), TextOf(b[5]),
            TextOf(b[6]), TextOf(b[7]), TextOf(b[8]), TextOf(b[9]), TextOf(b[10])};
}

// Reads the keys of one settings section into its controls, one by one and
// in order: a check box set in code runs its handler at once, and a later
// key's default is the state the earlier handlers left.
class SettingsReader {
  public:
    SettingsReader(const platform::IniFile& ini, std::string_view section)
        : ini_(ini), section_(section) {}
    // The control's own text is the default, so a missing key keeps the
    // layout's text.
    void Text(QComboBox* box, std::string_view key) {
        box->setCurrentText(Q(ini_.ReadString(section_, key, TextOf(box))));
    }
    void Text(QLineEdit* edit, std::string_view key, std::string_view fallback) {
        edit->setText(Q(ini_.ReadString(section_, key, fallback)));
    }
    void Text(QLineEdit* edit, std::string_view key) { Text(edit, key, TextOf(edit)); }
    void Flag(QCheckBox* box, std::string_view key, bool fallback) {
        box->setChecked(ini_.ReadInteger(section_, key, fallback ? 1 : 0) != 0);
    }
    void Flag(QCheckBox* box, std::string_view key) { Flag(box, key, box->isChecked()); }
    void Colour(platform::ColorBox* box, std::string_view key, std::uint32_t fallback) {
        box->SetSelected(ReadColor(ini_, section_, key, fallback));
    }

  private:
    const platform::IniFile& ini_;
    std::string_view section_;
};

}  // namespace

TPlovanCanvas* TFGPS::Canvas() const { return FHost.Canvas ? FHost.Canvas() : nullptr; }

// ---------------------------------------------------------------------------
// Life of the window

void TFGPS::FormCreate() {
    // 1.
    if (g_Display.DepthLabelFontName.empty()) g_Display.DepthLabelFontName = "Arial";
    eSBESFormatChange();
    // 2 to 7.
    ReadSettings();
}

void TFGPS::ReadSettings() {
    const platform::IniFile ini(SettingsFilePath());
    {
        SettingsReader r(ini, kGnssPortSection);
        const auto boxes = GnssPortBoxes();
        for (size_t i = 0; i < boxes.size(); ++i) r.Text(boxes[i], kPortKeys[i]);
    }
    {
        SettingsReader r(ini, kSensorPortSection);
        const auto boxes = SensorPortBoxes();
        for (size_t i = 0; i < boxes.size(); ++i) r.Text(boxes[i], kPortKeys[i]);
        r.Flag(SensorEnabled, "Sensor Enabled", true);
        cSBESMessage->setCurrentText(
            Q(ini.ReadString(kSensorPortSection, "cSBESMessage", kDefaultSBESMessage)));
        r.Text(eSBESFormat, "eSBESFormat", kDefaultSBESFormat);
    }
    SettingsReader(ini, "GYRO").Flag(GyroEnabled, "Gyro Enabled", true);
    {
        SettingsReader r(ini, "GEODETIC_PARAMETERS");
        const std::pair<QLineEdit*, std::string_view> datum[] = {{edSMA, "SemiMajorAxis"},
                                                                 {edIF, "InverseFlattening"},
                                                                 {edRX, "X_Rotation"},
                                                                 {edRY, "Y_Rotation"},
                                                                 {edRZ, "Z_Rotation"},
                                                                 {edSX, "X_Shift"},
                                                                 {edSY, "Y_Shift"},
                                                                 {edSZ, "Z_Shift"},
                                                                 {edPPM, "Scale_PPM"},
                                                                 {edCM, "Central_Meridian"},
                                                                 {edRL, "Reference_Latitude"},
                                                                 {edSF, "Scale_Factor"},
                                                                 {edFE, "False_Easting"},
                                                                 {edFN, "False_Northing"}};
        for (const auto& [edit, key] : datum) r.Text(edit, key);
        r.Flag(cbUseTMProjection, "Use Projection");
        r.Flag(cbUseDTP, "Use DTP");
        r.Text(edNameOfDatum, "Name of Datum", "");
        const std::pair<QLineEdit*, std::string_view> lambert[] = {
            {eLCCSP1, "eLCCSP1"}, {eLCCSP2, "eLCCSP2"}, {eLCCSF, "eLCCSF"}, {eLCCCP, "eLCCCP"},
            {eLCCM, "eLCCM"},     {eLCCFE, "eLCCFE"},   {eLCCFN, "eLCCFN"}};
        for (const auto& [edit, key] : lambert) r.Text(edit, key);
        r.Flag(cbUseLCCProjection, "cbUseLCCProjection");
        r.Flag(cLambert1, "cLambert1");
    }

    // 3.
    LockStateCheck1->setText(QStringLiteral("SAVE && LOCK SETTINGS"));
    // 4. A lock set by hand in the file; the program never writes this key.
    if (const auto manual = ManualLockFromText(ini.ReadString(kLockSection, kManualLockKey, "")))
        SetSettingsPagesEnabled(!*manual);

    // 5. The display settings, then the display values taken from them.
    {
        SettingsReader r(ini, "GRID_SETTINGS");
        r.Flag(cbGridVisible, "GridVisible", true);
        r.Flag(cbAutoGrid, "AutoGrid", false);
        r.Text(edGridSpacingX, "GridSpacingX", "100");
        r.Text(edGridSpacingY, "GridSpacingY", "100");
        r.Colour(cbGridColor, "GridColor", 0xC0C0C0);
    }
    {
        SettingsReader r(ini, "DEPTH_LABEL_SETTINGS");
        r.Flag(cbShowDepthLabels, "ShowDepthLabels", true);
        r.Text(edDepthLabelSpacing, "LabelSpacing", "10");
        r.Text(edDepthLabelFontName, "FontName", "Arial");
        r.Text(edDepthLabelFontSize, "FontSize", "12");
        r.Colour(cbTextColor, "TextColor", 0);
    }
    {
        SettingsReader r(ini, "EVENT_LABEL_SETTINGS");
        r.Text(edEventLabelFontSize, "FontSize", "24");
        r.Colour(cbEventLabelColor, "TextColor", 255);
    }
    {
        SettingsReader r(ini, "OVERLAY_SETTINGS");
        r.Text(edOverlayFontSize, "FontSize", "40");
        r.Colour(cbOverlayDepthColor, "DepthColor", 0x800000);
        r.Colour(cbOverlaySpeedColor, "SpeedColor", 0);
    }
    ApplyDisplayValues(Values(), g_Display);
    edGridSpacingX->setEnabled(!cbAutoGrid->isChecked());
    edGridSpacingY->setEnabled(!cbAutoGrid->isChecked());

    // 6.
    PushGridToCanvas(false);

    // 7. A stored lock saves and locks again at every start; that save leaves
    // the screenshot interval alone, which the main window fills only later.
    FCreating = true;
    LockStateCheck1->setChecked(ini.ReadInteger(kLockSection, kLockKey, 0) != 0);
    FCreating = false;
}

void TFGPS::FormShow() {
    // The monitor runs again whatever a lost mouse release left behind.
    if (FHost.SetEchoRawSentences) FHost.SetEchoRawSentences(true);
    // 1. The manual lock key read as a number; "true" or "false" are not
    // numbers and keep the box as it is.
    const platform::IniFile ini(SettingsFilePath());
    const bool locked =
        ini.ReadInteger(kLockSection, kManualLockKey, LockStateCheck1->isChecked() ? 1 : 0) != 0;
    LockStateCheck1->setChecked(locked);
    // 2.
    tGlobalSetting->setEnabled(!locked);
    // 3.
    PushGridToCanvas(false);
}

void TFGPS::FormCloseQuery() {
    MemoGPS->clear();
    MemoSensor->clear();
}

void TFGPS::BitBtn2Click() { close(); }

// ---------------------------------------------------------------------------
// Apply

bool TFGPS::ApplyPort(const std::array<QComboBox*, 11>& boxes, TPlovanSerialGPS* reader,
                      std::string_view logSuffix) {
    if (!reader) return false;
    const std::string logName = g_LogDir + DateStamp() + std::string(logSuffix);
    if (const auto refused = ApplyPortTexts(TextsOf(boxes), logName, *reader)) {
        platform::ShowMessage(*refused);
        return false;
    }
    return true;
}

bool TFGPS::GPSSetClick() {
    return ApplyPort(GnssPortBoxes(), FHost.GnssReader ? FHost.GnssReader() : nullptr,
                     kGnssLogSuffix);
}

bool TFGPS::SensorSetClick() {
    return ApplyPort(SensorPortBoxes(), FHost.SensorReader ? FHost.SensorReader() : nullptr,
                     kSensorLogSuffix);
}

// ---------------------------------------------------------------------------
// Save and lock

void TFGPS::SetSettingsPagesEnabled(bool enabled) {
    // The pages, not their tabs: locked settings stay readable.
    for (QWidget* page : {GPSTabSheet, SensorTabSheet, ParametersTabSheet, tGlobalSetting})
        page->setEnabled(enabled);
}

void TFGPS::LockStateCheck1Click() {
    platform::IniFile ini(SettingsFilePath());
    const auto refuse = [&](const std::string& why) {
        // A file that cannot be read was reported once when it was found.
        if (!ini.Unreadable()) platform::ShowMessage(why);
        const QSignalBlocker block(LockStateCheck1);
        LockStateCheck1->setChecked(false);
        SetSettingsPagesEnabled(true);
    };
    const std::string notWritten = "The settings could not be written to " + ini.FileName() + ".";
    if (!LockStateCheck1->isChecked()) {
        SetSettingsPagesEnabled(true);
        if (!ini.WriteInteger(kLockSection, kLockKey, 0)) refuse(notWritten);
        return;
    }
    const DeviceSettingsValues values = Values();
    switch (SaveDeviceSettings(ini, values, !FCreating, [](const std::string& line) {
        // The day's folders may have gone since the start: made again once.
        const std::string log = EventLogPath();
        return AppendEventLog(line, log) || (MakeDataFolders() && AppendEventLog(line, log));
    })) {
        case DeviceSettingsSave::Saved:
            break;
        case DeviceSettingsSave::SettingsNotWritten:
            refuse(notWritten);
            return;
        case DeviceSettingsSave::SummaryNotWritten:
            refuse(
                "The settings were saved, but their summary could not be written to the "
                "event log " +
                EventLogPath() + ", so they stay unlocked.");
            return;
    }
    ApplyDisplayValues(values, g_Display);
    PushGridToCanvas(true);
    SetSettingsPagesEnabled(false);
}

// ---------------------------------------------------------------------------
// Monitor

void TFGPS::TrimMemo(QPlainTextEdit* memo) {
    if (memo->blockCount() > 100) memo->clear();
}

void TFGPS::MemoGPSChange() { TrimMemo(MemoGPS); }
void TFGPS::MemoSensorChange() { TrimMemo(MemoSensor); }

void TFGPS::MemoGPSMouseDown() {
    if (FHost.SetEchoRawSentences) FHost.SetEchoRawSentences(false);
}

void TFGPS::MemoGPSMouseUp() {
    if (FHost.SetEchoRawSentences) FHost.SetEchoRawSentences(true);
}

void TFGPS::EchoLine(QPlainTextEdit* memo, const std::string& line) {
    if (!isVisible() || !FHost.EchoRawSentences || !FHost.EchoRawSentences()) return;
    // Port bytes are shown one character each, never decoded.
    memo->appendPlainText(QString::fromLatin1(line.data(), static_cast<int>(line.size())));
}

void TFGPS::EchoGnssLine(const std::string& line) { EchoLine(MemoGPS, line); }
void TFGPS::EchoSensorLine(const std::string& line) { EchoLine(MemoSensor, line); }

// ---------------------------------------------------------------------------
// Handlers that act at once

void TFGPS::cSBESMessageChange() {
    const std::string text = TextOf(cSBESMessage);
    if (!FindSBESMessageType(text)) return;
    eSBESFormat->setText(Q(FormatAfterTypeChoice(text, TextOf(eSBESFormat))));
    ApplyStoredSBESMessageType();
}

void TFGPS::ApplyStoredSBESMessageType() {
    const SBESMessageType* type = FindSBESMessageType(TextOf(cSBESMessage));
    if (!type || type->layout == SBESLayout::Unchanged) return;
    // The realtime window switches its layout here once it exists.
    if (FHost.LowFrequencyDepth) FHost.LowFrequencyDepth(type->layout == SBESLayout::TwoDepth);
}

void TFGPS::SetGpsMemoColor(uint32_t bgr) {
    if (bgr == FGpsMemoColor) return;
    FGpsMemoColor = bgr;
    MemoGPS->setStyleSheet(QStringLiteral("QPlainTextEdit { background-color: #%1%2%3; }")
                               .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
                               .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                               .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0')));
}

void TFGPS::eSBESFormatChange() {
    FSBESFormat = SBESFormat(TextOf(eSBESFormat));
    SBESFormatError->setText(Q(FSBESFormat.Error()));
}

void TFGPS::cbUseTMProjectionClick() {
    cbUseLCCProjection->setChecked(!cbUseTMProjection->isChecked());
}

void TFGPS::cbUseLCCProjectionClick() {
    cbUseTMProjection->setChecked(!cbUseLCCProjection->isChecked());
}

void TFGPS::cLambert1Click() {
    eLCCSP1->setEnabled(!cLambert1->isChecked());
    eLCCSP2->setEnabled(!cLambert1->isChecked());
}

void TFGPS::cbGridVisibleClick() {
    g_Display.GridVisibleSetting = cbGridVisible->isChecked();
    if (TPlovanCanvas* canvas = Canvas()) {
        canvas->FGridVisible = cbGridVisible->isChecked() ? 1 : 0;
        canvas->FGridColor = cbGridColor->Selected();
        canvas->Redraw();  // the grid lives in the back buffer
    }
}

void TFGPS::cbGridColorChange() {
    g_Display.GridColorSetting = cbGridColor->Selected();
    if (TPlovanCanvas* canvas = Canvas()) {
        canvas->FGridColor = cbGridColor->Selected();
        canvas->Redraw();
    }
}

void TFGPS::cbAutoGridClick() {
    const bool automatic = cbAutoGrid->isChecked();
    g_Display.AutoGridSetting = automatic;
    edGridSpacingX->setEnabled(!automatic);
    edGridSpacingY->setEnabled(!automatic);
    if (TPlovanCanvas* canvas = Canvas()) {
        canvas->FGridSpacingX = automatic ? 0 : NumberOr(TextOf(edGridSpacingX), 100.0);
        canvas->FGridSpacingY = automatic ? 0 : NumberOr(TextOf(edGridSpacingY), 100.0);
        canvas->SetGridAutoScale(automatic);
        canvas->Redraw();
    }
}

void TFGPS::cbShowDepthLabelsClick() { g_Display.ShowDepthLabels = cbShowDepthLabels->isChecked(); }

void TFGPS::edEventLabelFontSizeChange() {
    g_Display.EventLabelFontSize = WholeNumberOr(TextOf(edEventLabelFontSize), 24);
    if (TPlovanCanvas* canvas = Canvas()) canvas->Invalidate();
}

void TFGPS::cbEventLabelColorChange() {
    g_Display.EventLabelColor = cbEventLabelColor->Selected();
    if (TPlovanCanvas* canvas = Canvas()) canvas->Invalidate();
}

void TFGPS::edOverlayFontSizeChange() {
    g_Display.OverlayFontSize = WholeNumberOr(TextOf(edOverlayFontSize), 40);
    if (TPlovanCanvas* canvas = Canvas()) canvas->Invalidate();
}

void TFGPS::cbOverlayDepthColorChange() {
    g_Display.OverlayDepthColor = cbOverlayDepthColor->Selected();
    if (TPlovanCanvas* canvas = Canvas()) canvas->Invalidate();
}

void TFGPS::cbOverlaySpeedColorChange() {
    g_Display.OverlaySpeedColor = cbOverlaySpeedColor->Selected();
    if (TPlovanCanvas* canvas = Canvas()) canvas->Invalidate();
}

void TFGPS::eScreenshotIntervalChange() {
    QTimer* timer = FHost.ScreenshotTimer ? FHost.ScreenshotTimer() : nullptr;
    if (!timer) return;
    const ScreenshotTimerSetting setting = ScreenshotTimerFor(TextOf(eScreenshotInterval));
    timer->setInterval(setting.intervalMs);
    if (setting.enabled)
        timer->start();
    else
        timer->stop();
}

void TFGPS::PushGridToCanvas(bool repaint) {
    TPlovanCanvas* canvas = Canvas();
    if (!canvas) return;
    canvas->FGridVisible = g_Display.GridVisibleSetting ? 1 : 0;
    canvas->FGridSpacingX = g_Display.AutoGridSetting ? 0 : g_Display.GridSpacingXSetting;
    canvas->FGridSpacingY = g_Display.AutoGridSetting ? 0 : g_Display.GridSpacingYSetting;
    canvas->FGridColor = g_Display.GridColorSetting;
    // The manual spacing shows only while the canvas's own auto-scale is off.
    canvas->SetGridAutoScale(g_Display.AutoGridSetting);
    if (repaint) canvas->Redraw();
}

// ---------------------------------------------------------------------------
// Getters

std::string TFGPS::SBESMessageText() const { return TextOf(cSBESMessage); }
bool TFGPS::IsSensorEnabled() const { return SensorEnabled->isChecked(); }
bool TFGPS::IsGyroEnabled() const { return GyroEnabled->isChecked(); }

DeviceSettingsValues TFGPS::Values() const {
    DeviceSettingsValues v;
    v.Gnss = TextsOf(GnssPortBoxes());
    v.Sensor = TextsOf(SensorPortBoxes());
    v.SensorEnabled = SensorEnabled->isChecked();
    v.SBESMessage = TextOf(cSBESMessage);
    v.SBESFormat = TextOf(eSBESFormat);
    v.GyroEnabled = GyroEnabled->isChecked();
    v.SemiMajorAxis = TextOf(edSMA);
    v.Flattening = TextOf(edIF);
    v.XRotation = TextOf(edRX);
    v.YRotation = TextOf(edRY);
    v.ZRotation = TextOf(edRZ);
    v.XShift = TextOf(edSX);
    v.YShift = TextOf(edSY);
    v.ZShift = TextOf(edSZ);
    v.ScalePPM = TextOf(edPPM);
    v.CentralMeridian = TextOf(edCM);
    v.ReferenceLatitude = TextOf(edRL);
    v.ScaleFactor = TextOf(edSF);
    v.FalseEasting = TextOf(edFE);
    v.FalseNorthing = TextOf(edFN);
    v.UseTMProjection = cbUseTMProjection->isChecked();
    v.UseDTP = cbUseDTP->isChecked();
    v.NameOfDatum = TextOf(edNameOfDatum);
    v.LCCSP1 = TextOf(eLCCSP1);
    v.LCCSP2 = TextOf(eLCCSP2);
    v.LCCSF = TextOf(eLCCSF);
    v.LCCCP = TextOf(eLCCCP);
    v.LCCM = TextOf(eLCCM);
    v.LCCFE = TextOf(eLCCFE);
    v.LCCFN = TextOf(eLCCFN);
    v.UseLCCProjection = cbUseLCCProjection->isChecked();
    v.Lambert1 = cLambert1->isChecked();
    v.GridVisible = cbGridVisible->isChecked();
    v.AutoGrid = cbAutoGrid->isChecked();
    v.GridSpacingX = TextOf(edGridSpacingX);
    v.GridSpacingY = TextOf(edGridSpacingY);
    v.GridColor = cbGridColor->Selected();
    v.ShowDepthLabels = cbShowDepthLabels->isChecked();
    v.DepthLabelSpacing = TextOf(edDepthLabelSpacing);
    v.DepthLabelFontName = TextOf(edDepthLabelFontName);
    v.DepthLabelFontSize = TextOf(edDepthLabelFontSize);
    v.DepthLabelColor = cbTextColor->Selected();
    v.EventLabelFontSize = TextOf(edEventLabelFontSize);
    v.EventLabelColor = cbEventLabelColor->Selected();
    v.OverlayFontSize = TextOf(edOverlayFontSize);
    v.OverlayDepthColor = cbOverlayDepthColor->Selected();
    v.OverlaySpeedColor = cbOverlaySpeedColor->Selected();
    v.ScreenshotInterval = TextOf(eScreenshotInterval);
    return v;
}

GeodeticTexts TFGPS::GeodeticTextsNow() const { return BuildGeodeticTexts(Values()); }

const std::optional<DeviceGridSystem>& TFGPS::GridSystem() const {
    if (FGridSystemStale) {
        FGridSystem = BuildGridSystem(Values(), &FGridSystemError);
        FGridSystemStale = false;
    }
    return FGridSystem;
}

const std::string& TFGPS::GridSystemError() const {
    GridSystem();
    return FGridSystemError;
}
