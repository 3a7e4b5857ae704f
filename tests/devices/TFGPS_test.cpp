// The device settings window on the offscreen platform: its controls, the
// settings it loads (first run, typical, manual lock, locked start), Apply
// into real readers, the save and lock, the handlers that act at once, and
// the port monitor. Settings files live in a temporary home; messages go to
// the scripted dialogs.
#include "devices/ui/TFGPS.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/EventLog.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/ui/ColorBox.h"
#include "tests/support/TempHome.h"

namespace {

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

class TFGPSTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TPlovanCanvas canvas;
    QTimer screenshot;
    TPlovanSerialGPS gnss, sensor;
    bool echo = true;
    std::vector<bool> lowFrequency;  // each realtime layout switch: true shows

    void SetUp() override {
        InitDayPaths();
        std::filesystem::create_directories(g_LogDir);  // the main window makes it at start
        ResetDisplayValues();
        Dialogs().messages.clear();
        canvas.FGridAutoScale = 1;
    }
    void TearDown() override { Dialogs().messages.clear(); }

    TFGPSHost Host(bool withCanvas = true) {
        TFGPSHost host;
        if (withCanvas) host.Canvas = [this] { return &canvas; };
        host.ScreenshotTimer = [this] { return &screenshot; };
        host.GnssReader = [this] { return &gnss; };
        host.SensorReader = [this] { return &sensor; };
        host.EchoRawSentences = [this] { return echo; };
        host.SetEchoRawSentences = [this](bool on) { echo = on; };
        host.LowFrequencyDepth = [this](bool show) { lowFrequency.push_back(show); };
        return host;
    }

    static void Store(const char* section, const char* key, const char* value) {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString(section, key, value);
    }
    static platform::IniFile Settings() {
        platform::IniFile::DropCachedModels();
        return platform::IniFile(SettingsFilePath());
    }
    static std::string EventLog() { return phxtest::ReadAll(EventLogPath()); }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
    static std::vector<bool> PagesEnabled(const TFGPS& w) {
        return {w.GPSTabSheet->isEnabled(), w.SensorTabSheet->isEnabled(),
                w.ParametersTabSheet->isEnabled(), w.tGlobalSetting->isEnabled()};
    }
    // A choice of the surveyor in a list box.
    static void Choose(QComboBox* box, const QString& text) {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

const std::vector<bool> kUnlocked = {true, true, true, true};
const std::vector<bool> kLocked = {false, false, false, false};

}  // namespace

TEST_F(TFGPSTest, ControlsOfTheLayout) {
    TFGPS w(Host());
    EXPECT_EQ(w.objectName(), "FGPS");
    EXPECT_EQ(w.windowTitle(), "Settings");
    EXPECT_EQ(w.size(), QSize(754, 458));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    for (const char* name : {"SettingTabs",
                             "GPSTabSheet",
                             "SensorTabSheet",
                             "ParametersTabSheet",
                             "tGlobalSetting",
                             "TabSheet1",
                             "Port",
                             "BaudRate",
                             "DataWidth",
                             "StopBits",
                             "Parity",
                             "Priority",
                             "Delay",
                             "NMEALog",
                             "LogTime",
                             "EnableDTR",
                             "EnableRTS",
                             "GyroEnabled",
                             "GPSSet",
                             "SPort",
                             "SBaudRate",
                             "SDataWidth",
                             "SStopBits",
                             "SParity",
                             "SPriority",
                             "SDelay",
                             "SNMEALog",
                             "SLogTime",
                             "SEnableDTR",
                             "SEnableRTS",
                             "SensorEnabled",
                             "SensorSet",
                             "cSBESMessage",
                             "eSBESFormat",
                             "edSMA",
                             "edIF",
                             "edRX",
                             "edRY",
                             "edRZ",
                             "edSX",
                             "edSY",
                             "edSZ",
                             "edPPM",
                             "cbUseDTP",
                             "edNameOfDatum",
                             "edCM",
                             "edRL",
                             "edSF",
                             "edFE",
                             "edFN",
                             "cbUseTMProjection",
                             "eLCCSP1",
                             "eLCCSP2",
                             "eLCCCP",
                             "eLCCM",
                             "eLCCSF",
                             "eLCCFE",
                             "eLCCFN",
                             "cbUseLCCProjection",
                             "cLambert1",
                             "cbGridVisible",
                             "cbAutoGrid",
                             "edGridSpacingX",
                             "edGridSpacingY",
                             "cbGridColor",
                             "cbShowDepthLabels",
                             "edDepthLabelSpacing",
                             "edDepthLabelFontName",
                             "edDepthLabelFontSize",
                             "cbTextColor",
                             "edEventLabelFontSize",
                             "cbEventLabelColor",
                             "eScreenshotInterval",
                             "edOverlayFontSize",
                             "cbOverlayDepthColor",
                             "cbOverlaySpeedColor",
                             "MemoGPS",
                             "MemoSensor",
                             "BitBtn2",
                             "LockStateCheck1"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;

    QStringList tabs;
    for (int i = 0; i < w.SettingTabs->count(); ++i) tabs << w.SettingTabs->tabText(i);
    EXPECT_EQ(tabs, QStringList({"GPS Settings", "Sensor (SBES) Settings", "Godetic Parameters",
                                 "Global Setting", "I/O Port Monitor"}));
    EXPECT_EQ(w.SettingTabs->currentWidget(), w.tGlobalSetting);
    EXPECT_EQ(w.LockStateCheck1->text(), "SAVE && LOCK SETTINGS");
    EXPECT_EQ(w.Port->count(), 256);
    EXPECT_EQ(w.Port->itemText(255), "COM256");
    EXPECT_EQ(w.SBaudRate->count(), 15);
    EXPECT_EQ(w.Parity->itemText(0), "Even");
    EXPECT_EQ(w.SPriority->itemText(6), "TimeCritical");
    EXPECT_EQ(w.Delay->itemText(19), "100000");
    EXPECT_EQ(w.cSBESMessage->count(), 8);
    EXPECT_EQ(w.cSBESMessage->itemText(7), "OTHER");
    EXPECT_TRUE(w.cbUseDTP->isChecked());
    EXPECT_FALSE(w.cbUseDTP->isEnabled());
    EXPECT_TRUE(w.MemoGPS->isReadOnly());
    EXPECT_EQ(w.MemoGPS->toPlainText(), "NMEA POSITION DATA");
    EXPECT_EQ(w.MemoSensor->toPlainText(), "NMEA SENSOR DATA");
    EXPECT_TRUE(w.MemoSensor->font().bold());
    EXPECT_EQ(w.MemoSensor->font().family(), "Arial Narrow");
    // Every page fits the client area.
    w.show();
    EXPECT_EQ(w.size(), QSize(754, 458));
}

// With no settings file every box shows the layout's text, so the first
// Start of a new user applies (it used to stop at an empty baud rate).
TEST_F(TFGPSTest, FirstRunShowsTheLayoutsTexts) {
    TFGPS w(Host());
    const std::vector<std::pair<QComboBox*, const char*>> boxes = {
        {w.Port, "COM1"},      {w.BaudRate, "9600"},   {w.DataWidth, "8"},    {w.StopBits, "1"},
        {w.Parity, "None"},    {w.Priority, "Normal"}, {w.Delay, "5"},        {w.NMEALog, "False"},
        {w.LogTime, "False"},  {w.EnableDTR, "True"},  {w.EnableRTS, "True"}, {w.SPort, "COM1"},
        {w.SBaudRate, "9600"}, {w.SEnableRTS, "True"}};
    for (const auto& [box, text] : boxes) EXPECT_EQ(box->currentText(), text) << text;
    EXPECT_EQ(w.cSBESMessage->currentText(), "Plovan SMT");
    EXPECT_EQ(w.eSBESFormat->text(), "%*8s,%lf");
    EXPECT_TRUE(w.SBESScanFormat().Valid());
    EXPECT_TRUE(w.IsSensorEnabled());
    EXPECT_TRUE(w.IsGyroEnabled());
    EXPECT_TRUE(w.cbUseTMProjection->isChecked());
    EXPECT_FALSE(w.cbUseLCCProjection->isChecked());
    EXPECT_FALSE(w.LockStateCheck1->isChecked());
    EXPECT_EQ(PagesEnabled(w), kUnlocked);
    EXPECT_EQ(g_Display.DepthLabelFontName, "Arial");
    EXPECT_EQ(g_Display.GridColorSetting, 0xC0C0C0u);
    EXPECT_EQ(w.cbGridColor->Selected(), 0xC0C0C0u);
    EXPECT_EQ(w.cbOverlayDepthColor->Selected(), 0x800000u);
    EXPECT_EQ(w.cbEventLabelColor->Selected(), 255u);
    // The grid reached the canvas, with the canvas's auto-scale following the box.
    EXPECT_EQ(canvas.FGridVisible, 1);
    EXPECT_EQ(canvas.FGridSpacingX, 100.0);
    EXPECT_EQ(canvas.FGridAutoScale, 0);
    // Nothing was written.
    EXPECT_FALSE(std::filesystem::exists(SettingsFilePath()));

    EXPECT_TRUE(w.GPSSetClick());
    EXPECT_TRUE(w.SensorSetClick());
    EXPECT_EQ(gnss.FPortNumber, 1);
    EXPECT_EQ(gnss.FPollInterval, 5);
    EXPECT_EQ(gnss.FLogFileName, g_LogDir + DateStamp() + " PHX_GNSS_V3.log");
    EXPECT_EQ(sensor.FLogFileName, g_LogDir + DateStamp() + " PHX_SBES_V3.log");
    EXPECT_TRUE(Dialogs().messages.isEmpty());
}

TEST_F(TFGPSTest, TypicalSettingsFile) {
    Store("GPS1 COMUNICATION SETTINGS", "Port No", "COM7");
    Store("GPS1 COMUNICATION SETTINGS", "Baud Rate", "115200");
    Store("GPS1 COMUNICATION SETTINGS", "Delay          ", "20");
    Store("GPS1 COMUNICATION SETTINGS", "Enable DTR     ", "False");
    Store("SENSOR COMUNICATION SETTINGS", "Port No         ", "COM8");
    Store("SENSOR COMUNICATION SETTINGS", "Stop Bits", "2");
    Store("SENSOR COMUNICATION SETTINGS", "Sensor Enabled     ", "0");
    Store("SENSOR COMUNICATION SETTINGS", "cSBESMessage", "NMEA DBT");
    Store("SENSOR COMUNICATION SETTINGS", "eSBESFormat", "%*6s,%*lf,%*1s,%lf");
    Store("GYRO", "Gyro Enabled", "0");
    Store("GEODETIC_PARAMETERS", "SemiMajorAxis", "6378137");
    Store("GEODETIC_PARAMETERS", "Central_Meridian", "33");
    Store("GEODETIC_PARAMETERS", "Name of Datum", "İzmir");
    Store("GEODETIC_PARAMETERS", "cLambert1", "1");
    Store("GRID_SETTINGS", "AutoGrid", "1");
    Store("GRID_SETTINGS", "GridColor", "1193046");
    Store("DEPTH_LABEL_SETTINGS", "FontName", "Tahoma");
    Store("DEPTH_LABEL_SETTINGS", "FontSize", "x");
    Store("EVENT_LABEL_SETTINGS", "TextColor", "99999999");  // out of range: the default
    Store("OVERLAY_SETTINGS", "FontSize", "28");
    Store("SCREENSHOT", "Interval", "300");
    // A stored empty value stays empty.
    Store("GPS1 COMUNICATION SETTINGS", "Parity", "");
    TFGPS w(Host());
    EXPECT_EQ(w.Port->currentText(), "COM7");
    EXPECT_EQ(w.BaudRate->currentText(), "115200");
    EXPECT_EQ(w.Delay->currentText(), "20");
    EXPECT_EQ(w.EnableDTR->currentText(), "False");
    EXPECT_EQ(w.Parity->currentText(), "");
    EXPECT_EQ(w.SPort->currentText(), "COM8");
    EXPECT_EQ(w.SStopBits->currentText(), "2");
    EXPECT_FALSE(w.IsSensorEnabled());
    EXPECT_FALSE(w.IsGyroEnabled());
    EXPECT_EQ(w.SBESMessageText(), "NMEA DBT");
    EXPECT_EQ(w.SBESScanFormat().Text(), "%*6s,%*lf,%*1s,%lf");
    EXPECT_EQ(w.edSMA->text(), "6378137");
    EXPECT_EQ(w.edCM->text(), "33");
    EXPECT_EQ(w.edNameOfDatum->text(), "İzmir");
    EXPECT_TRUE(w.cLambert1->isChecked());
    EXPECT_FALSE(w.eLCCSP1->isEnabled());
    EXPECT_TRUE(w.cbAutoGrid->isChecked());
    EXPECT_FALSE(w.edGridSpacingX->isEnabled());
    EXPECT_EQ(w.cbGridColor->Selected(), 1193046u);
    EXPECT_EQ(w.cbEventLabelColor->Selected(), 255u);
    EXPECT_EQ(g_Display.DepthLabelFontName, "Tahoma");
    EXPECT_EQ(g_Display.DepthLabelFontSize, 12);
    EXPECT_EQ(g_Display.OverlayFontSize, 28);
    EXPECT_TRUE(g_Display.AutoGridSetting);
    EXPECT_EQ(canvas.FGridSpacingX, 0.0);
    EXPECT_EQ(canvas.FGridColor, 1193046u);
    EXPECT_EQ(canvas.FGridAutoScale, 1);
    // The window does not read the screenshot key; the main window fills it.
    EXPECT_EQ(w.eScreenshotInterval->text(), "60");
    // Nothing ran the realtime window while loading.
    EXPECT_TRUE(lowFrequency.empty());
    EXPECT_EQ(Dialogs().messages.size(), 0);
    // The stored Parity "" stops Apply at its field.
    EXPECT_FALSE(w.GPSSetClick());
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0], "'' is not a valid parity.");
    EXPECT_EQ(gnss.FBaudRate, 115200);
}

// After loading, the Transverse Mercator box is the opposite of the
// Lambert one, whichever of the two keys is stored.
TEST_F(TFGPSTest, ProjectionSwitchesRestored) {
    struct Row {
        const char* tm;   // "Use Projection", nullptr when missing
        const char* lcc;  // "cbUseLCCProjection"
        bool tmChecked, lccChecked;
    };
    const Row rows[] = {{"0", "0", true, false},        {"1", "1", false, true},
                        {"1", "0", true, false},        {"0", "1", false, true},
                        {"0", nullptr, false, true},    {nullptr, "1", false, true},
                        {nullptr, nullptr, true, false}};
    for (const Row& row : rows) {
        phxtest::TempHome rowHome;
        if (row.tm) Store("GEODETIC_PARAMETERS", "Use Projection", row.tm);
        if (row.lcc) Store("GEODETIC_PARAMETERS", "cbUseLCCProjection", row.lcc);
        TFGPS w(Host());
        EXPECT_EQ(w.cbUseTMProjection->isChecked(), row.tmChecked)
            << (row.tm ? row.tm : "-") << " " << (row.lcc ? row.lcc : "-");
        EXPECT_EQ(w.cbUseLCCProjection->isChecked(), row.lccChecked)
            << (row.tm ? row.tm : "-") << " " << (row.lcc ? row.lcc : "-");
    }
}

TEST_F(TFGPSTest, ManualLockKey) {
    Store("LOCK SETTINGS", "Settings Locked (true/false)", "true");
    Store("LOCK SETTINGS", "Lock Settings", "0");
    TFGPS w(Host());
    EXPECT_EQ(PagesEnabled(w), kLocked);
    EXPECT_FALSE(w.LockStateCheck1->isChecked());
    // At show the key is read as a number: "true" is none, the box stays.
    w.show();
    EXPECT_FALSE(w.LockStateCheck1->isChecked());
    EXPECT_TRUE(w.tGlobalSetting->isEnabled());
    EXPECT_EQ(EventLog(), "");
    w.hide();

    // As a number it locks at show, which saves.
    Store("LOCK SETTINGS", "Settings Locked (true/false)", "1");
    w.show();
    EXPECT_TRUE(w.LockStateCheck1->isChecked());
    EXPECT_FALSE(w.tGlobalSetting->isEnabled());
    EXPECT_EQ(Count(EventLog(), "=== SETTINGS SAVED ==="), 1u);
}

// A stored lock saves and locks again at start: the seven lines go to the
// event log, and the screenshot interval the surveyor stored is kept.
TEST_F(TFGPSTest, LockedStart) {
    Store("LOCK SETTINGS", "Lock Settings", "1");
    Store("SCREENSHOT", "Interval", "300");
    Store("GPS1 COMUNICATION SETTINGS", "Port No", "COM5");
    TFGPS w(Host());
    EXPECT_TRUE(w.LockStateCheck1->isChecked());
    EXPECT_EQ(PagesEnabled(w), kLocked);
    EXPECT_TRUE(w.TabSheet1->isEnabled());
    EXPECT_TRUE(w.BitBtn2->isEnabled());
    const std::string log = EventLog();
    EXPECT_EQ(Count(log, "\tGPS: Port=COM5, Baud=9600"), 1u) << log;
    EXPECT_EQ(Count(log, "Auto Event:"), 7u);
    EXPECT_EQ(Settings().ReadInteger("SCREENSHOT", "Interval", 0), 300);
    EXPECT_EQ(Settings().ReadString("GPS1 COMUNICATION SETTINGS", "Baud Rate", "?"), "9600");
    EXPECT_TRUE(Dialogs().messages.isEmpty());
}

TEST_F(TFGPSTest, TickSavesUntickOnlyUnlocks) {
    TFGPS w(Host());
    w.cbGridColor->SetSelected(1193046);
    w.SensorEnabled->setChecked(false);
    w.cbUseLCCProjection->setChecked(true);
    w.eScreenshotInterval->setText("abc");
    w.edGridSpacingX->setText("25");
    w.LockStateCheck1->setChecked(true);
    EXPECT_EQ(PagesEnabled(w), kLocked);
    {
        const platform::IniFile ini = Settings();
        EXPECT_EQ(ini.ReadInteger("LOCK SETTINGS", "Lock Settings", 0), 1);
        EXPECT_EQ(ini.ReadInteger("GRID_SETTINGS", "GridColor", 0), 1193046);
        EXPECT_EQ(ini.ReadInteger("SCREENSHOT", "Interval", 0), 60);
        EXPECT_EQ(ini.ReadInteger("SENSOR COMUNICATION SETTINGS", "Sensor Enabled", 9), 0);
        EXPECT_EQ(ini.ReadString("GPS1 COMUNICATION SETTINGS", "Port No", "?"), "COM1");
    }
    const std::string log = EventLog();
    EXPECT_NE(log.find("\tSensor: Port=COM1, Baud=9600, Enabled=No"), std::string::npos);
    EXPECT_NE(log.find("\tLCC: Enabled, SP1=, SP2="), std::string::npos);
    EXPECT_EQ(g_Display.GridSpacingXSetting, 25.0);
    EXPECT_EQ(canvas.FGridSpacingX, 25.0);

    // A port changed before unticking is not stored; only the lock is.
    w.LockStateCheck1->setChecked(false);
    EXPECT_EQ(PagesEnabled(w), kUnlocked);
    w.Port->setCurrentText("COM9");
    w.LockStateCheck1->setChecked(false);
    {
        const platform::IniFile ini = Settings();
        EXPECT_EQ(ini.ReadInteger("LOCK SETTINGS", "Lock Settings", 9), 0);
        EXPECT_EQ(ini.ReadString("GPS1 COMUNICATION SETTINGS", "Port No", "?"), "COM1");
    }
    w.LockStateCheck1->setChecked(true);
    EXPECT_EQ(Count(EventLog(), "=== SETTINGS SAVED ==="), 2u);
    EXPECT_EQ(Count(EventLog(), "======================"), 2u);
    EXPECT_EQ(Settings().ReadString("GPS1 COMUNICATION SETTINGS", "Port No", "?"), "COM9");
}

// A settings file that cannot be written: one message naming it, the box
// unticked without a second run of the handler, the pages usable.
TEST_F(TFGPSTest, SaveThatCannotBeWritten) {
    TFGPS w(Host());
    std::filesystem::create_directories(SettingsFilePath());
    w.LockStateCheck1->setChecked(true);
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_TRUE(Dialogs().messages[0].contains(QString::fromStdString(SettingsFilePath())));
    EXPECT_FALSE(w.LockStateCheck1->isChecked());
    EXPECT_EQ(PagesEnabled(w), kUnlocked);
    EXPECT_EQ(EventLog(), "");
}

// The day's folder gone since the start: made again, the summary written
// and the lock kept, without a message.
TEST_F(TFGPSTest, ASaveAfterTheDayFolderWentMakesItAgain) {
    TFGPS w(Host());
    std::filesystem::remove_all(g_DayDir);
    w.LockStateCheck1->setChecked(true);
    EXPECT_TRUE(Dialogs().messages.isEmpty());
    EXPECT_EQ(PagesEnabled(w), kLocked);
    EXPECT_EQ(Count(EventLog(), "=== SETTINGS SAVED ==="), 1u);
    EXPECT_EQ(Settings().ReadInteger("LOCK SETTINGS", "Lock Settings", 9), 1);
}

// An event log that cannot take the summary (a folder in its place): one
// message naming it, the box unticked, the pages usable, the file saying
// unlocked.
TEST_F(TFGPSTest, ASaveWithoutItsSummaryIsNoLock) {
    TFGPS w(Host());
    std::filesystem::remove(EventLogPath());
    std::filesystem::create_directories(EventLogPath());
    w.LockStateCheck1->setChecked(true);
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_TRUE(Dialogs().messages[0].contains(QString::fromStdString(EventLogPath())))
        << Dialogs().messages[0].toStdString();
    EXPECT_FALSE(w.LockStateCheck1->isChecked());
    EXPECT_EQ(PagesEnabled(w), kUnlocked);
    EXPECT_EQ(Settings().ReadInteger("LOCK SETTINGS", "Lock Settings", 9), 0);
    EXPECT_EQ(Settings().ReadString("GPS1 COMUNICATION SETTINGS", "Port No", "?"), "COM1");
}

TEST_F(TFGPSTest, MessageTypeChoices) {
    TFGPS w(Host());
    Choose(w.cSBESMessage, "Plovan XDR H/L");
    EXPECT_EQ(w.eSBESFormat->text(), "%*8s,%lf,%*8s,%lf");
    EXPECT_EQ(w.SBESScanFormat().StoredCount(), 2);
    Choose(w.cSBESMessage, "NMEA DBT");
    EXPECT_EQ(w.eSBESFormat->text(), "%*6s,%*lf,%*1s,%lf");
    EXPECT_EQ(lowFrequency, std::vector<bool>({true, false}));

    // A hand-edited format is replaced by the next listed choice.
    w.eSBESFormat->setText("%*4s,%lf");
    Choose(w.cSBESMessage, "ODC HI");
    EXPECT_EQ(w.eSBESFormat->text(), "%*42s,%lf");

    // "OTHER" offers a start format, keeps the surveyor's own, and leaves the
    // realtime window alone, also when the start-up timer runs it again.
    Choose(w.cSBESMessage, "OTHER");
    EXPECT_EQ(w.eSBESFormat->text(), "%*10s,%lf");
    w.eSBESFormat->setText("%*[^f]f,%lf");
    w.cSBESMessageChange();
    EXPECT_EQ(w.eSBESFormat->text(), "%*[^f]f,%lf");
    EXPECT_EQ(lowFrequency.size(), 3u);

    // Typing a listed name in lower case changes nothing.
    w.cSBESMessage->lineEdit()->clear();
    for (const QChar c : QStringLiteral("plovan smt"))
        w.cSBESMessage->lineEdit()->insert(QString(c));  // insert emits textEdited
    EXPECT_EQ(w.eSBESFormat->text(), "%*[^f]f,%lf");
    EXPECT_EQ(lowFrequency.size(), 3u);
}

TEST_F(TFGPSTest, RefusedFormatShowsItsReason) {
    TFGPS w(Host());
    w.eSBESFormat->setText("%*6s,%lf%n");
    EXPECT_FALSE(w.SBESScanFormat().Valid());
    EXPECT_FALSE(w.SBESFormatError->text().isEmpty());
    std::vector<platform::ScanField> fields;
    EXPECT_EQ(w.SBESScanFormat().Scan("$SDDPT,12.5,0.5", fields), -1);
    w.eSBESFormat->setText("%*6s,%lf");
    EXPECT_TRUE(w.SBESScanFormat().Valid());
    EXPECT_TRUE(w.SBESFormatError->text().isEmpty());
    EXPECT_EQ(w.SBESScanFormat().Scan("$SDDPT,12.5,0.5", fields), 1);
    EXPECT_EQ(fields.at(0).number, 12.5);
}

TEST_F(TFGPSTest, DisplayHandlers) {
    TFGPS w(Host());
    w.edOverlayFontSize->setText("abc");
    EXPECT_EQ(g_Display.OverlayFontSize, 40);
    w.edOverlayFontSize->setText("33");
    EXPECT_EQ(g_Display.OverlayFontSize, 33);
    w.edEventLabelFontSize->setText("");
    EXPECT_EQ(g_Display.EventLabelFontSize, 24);
    w.cbShowDepthLabels->setChecked(false);
    EXPECT_FALSE(g_Display.ShowDepthLabels);
    // Label spacing and font have no handler of their own.
    w.edDepthLabelFontSize->setText("30");
    EXPECT_EQ(g_Display.DepthLabelFontSize, 12);

    struct Row {
        const char* text;
        bool active;
        int intervalMs;
    };
    const Row rows[] = {
        {"0", false, -1}, {"-5", false, -1}, {"abc", true, 60000}, {"300", true, 300000}};
    for (const Row& row : rows) {
        screenshot.start(1234);
        w.eScreenshotInterval->setText(row.text);
        EXPECT_EQ(screenshot.isActive(), row.active) << row.text;
        if (row.intervalMs > 0) {
            EXPECT_EQ(screenshot.interval(), row.intervalMs) << row.text;
        }
    }
    screenshot.stop();
}

TEST_F(TFGPSTest, GridHandlers) {
    TFGPS w(Host());
    w.cbAutoGrid->setChecked(true);
    EXPECT_FALSE(w.edGridSpacingX->isEnabled());
    EXPECT_FALSE(w.edGridSpacingY->isEnabled());
    EXPECT_EQ(canvas.FGridSpacingX, 0.0);
    EXPECT_EQ(canvas.FGridSpacingY, 0.0);
    EXPECT_EQ(canvas.FGridAutoScale, 1);
    w.edGridSpacingX->setText("25");
    w.edGridSpacingY->setText("x");
    w.cbAutoGrid->setChecked(false);
    EXPECT_TRUE(w.edGridSpacingX->isEnabled());
    EXPECT_EQ(canvas.FGridSpacingX, 25.0);
    EXPECT_EQ(canvas.FGridSpacingY, 100.0);
    EXPECT_EQ(canvas.FGridAutoScale, 0);
    EXPECT_FALSE(g_Display.AutoGridSetting);
    w.cbGridVisible->setChecked(false);
    EXPECT_EQ(canvas.FGridVisible, 0);
    EXPECT_FALSE(g_Display.GridVisibleSetting);

    // The surveyor's colour choice; a colour set in code runs nothing.
    w.cbOverlaySpeedColor->SetSelected(0x00FF00);
    EXPECT_EQ(g_Display.OverlaySpeedColor, 0u);
    Choose(w.cbGridColor, w.cbGridColor->itemText(2));
    EXPECT_EQ(g_Display.GridColorSetting, w.cbGridColor->Selected());
    EXPECT_EQ(canvas.FGridColor, w.cbGridColor->Selected());
}

TEST_F(TFGPSTest, WithoutACanvasNothingFails) {
    TFGPS w(Host(false));
    w.cbAutoGrid->setChecked(true);
    w.edOverlayFontSize->setText("20");
    w.LockStateCheck1->setChecked(true);
    EXPECT_EQ(PagesEnabled(w), kLocked);
    w.show();
    EXPECT_TRUE(Dialogs().messages.isEmpty());
}

TEST_F(TFGPSTest, ProjectionClicks) {
    TFGPS w(Host());
    ASSERT_TRUE(w.cbUseTMProjection->isChecked());
    w.cbUseLCCProjection->click();
    EXPECT_TRUE(w.cbUseLCCProjection->isChecked());
    EXPECT_FALSE(w.cbUseTMProjection->isChecked());
    w.cbUseTMProjection->click();
    EXPECT_TRUE(w.cbUseTMProjection->isChecked());
    EXPECT_FALSE(w.cbUseLCCProjection->isChecked());
    w.cLambert1->click();
    EXPECT_FALSE(w.eLCCSP1->isEnabled());
    EXPECT_FALSE(w.eLCCSP2->isEnabled());
    w.cLambert1->click();
    EXPECT_TRUE(w.eLCCSP2->isEnabled());
}

TEST_F(TFGPSTest, Monitor) {
    TFGPS w(Host());
    // Hidden: nothing is echoed.
    w.EchoGnssLine("$GPGGA,1");
    EXPECT_EQ(w.MemoGPS->toPlainText(), "NMEA POSITION DATA");
    w.show();
    w.EchoGnssLine("$GPGGA,2");
    EXPECT_EQ(w.MemoGPS->blockCount(), 2);
    echo = false;
    w.EchoSensorLine("$SDDPT,1");
    EXPECT_EQ(w.MemoSensor->blockCount(), 1);
    echo = true;
    // The memo holds at most 100 lines: the 101st empties it.
    for (int i = 0; i < 98; ++i) w.EchoGnssLine("$GPGGA,x");
    EXPECT_EQ(w.MemoGPS->blockCount(), 100);
    w.EchoGnssLine("$GPGGA,y");
    EXPECT_TRUE(w.MemoGPS->toPlainText().isEmpty());

    // A press on either memo freezes both until the release.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.MemoSensor->viewport(), &press);
    EXPECT_FALSE(echo);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.MemoSensor->viewport(), &release);
    EXPECT_TRUE(echo);

    // A lost release is forgiven at the next hide or show; closing empties
    // both memos and only hides the window.
    w.MemoGPSMouseDown();
    w.EchoSensorLine("$SDDPT,2");
    w.BitBtn2->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(echo);
    EXPECT_TRUE(w.MemoSensor->toPlainText().isEmpty());
    EXPECT_TRUE(w.MemoGPS->toPlainText().isEmpty());
}

TEST_F(TFGPSTest, ApplyButtonsRefuseWithOneMessage) {
    TFGPS w(Host());
    w.SBaudRate->setCurrentText("56000");
    EXPECT_FALSE(w.SensorSetClick());
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0], "Baud rate 56000 is not supported by the serial port.");
    // A typed text that is not an item is never mapped by the selected index.
    w.DataWidth->setCurrentIndex(0);
    w.DataWidth->setEditText("9");
    w.GPSSet->click();
    ASSERT_EQ(Dialogs().messages.size(), 2);
    EXPECT_EQ(Dialogs().messages[1], "'9' is not a valid data width.");
    w.Parity->setCurrentText("Odd");
    w.DataWidth->setEditText("7");
    EXPECT_TRUE(w.GPSSetClick());
    EXPECT_EQ(gnss.FDataBitsIndex, 3);
    EXPECT_EQ(gnss.FParity, 1);
}

TEST_F(TFGPSTest, GridSystemFollowsTheEdits) {
    Store("GEODETIC_PARAMETERS", "SemiMajorAxis", "6378137");
    Store("GEODETIC_PARAMETERS", "InverseFlattening", "0.0033528106647474");
    for (const char* key : {"X_Rotation", "Y_Rotation", "Z_Rotation", "X_Shift", "Y_Shift",
                            "Z_Shift", "Scale_PPM", "Reference_Latitude", "False_Northing"})
        Store("GEODETIC_PARAMETERS", key, "0");
    Store("GEODETIC_PARAMETERS", "Central_Meridian", "27");
    Store("GEODETIC_PARAMETERS", "Scale_Factor", "1");
    Store("GEODETIC_PARAMETERS", "False_Easting", "500000");
    TFGPS w(Host());
    ASSERT_TRUE(w.GridSystem()) << w.GridSystemError();
    EXPECT_EQ(w.GridSystem()->tm.centralMeridianDeg, 27.0);
    EXPECT_EQ(w.GeodeticTextsNow().TM, "27 0 1 500000 0");
    w.edCM->setText("30");
    ASSERT_TRUE(w.GridSystem());
    EXPECT_EQ(w.GridSystem()->tm.centralMeridianDeg, 30.0);
    w.edSX->setText("");
    EXPECT_FALSE(w.GridSystem());
    EXPECT_FALSE(w.GridSystemError().empty());
    w.edSX->setText("0");
    w.cbUseLCCProjection->setChecked(true);
    EXPECT_FALSE(w.GridSystem());  // the Lambert edits are empty
}
