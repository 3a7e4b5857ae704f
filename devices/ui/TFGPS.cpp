#include "devices/ui/TFGPS.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"
#include "platform/ui/ColorBox.h"

TFGPS* FGPS = nullptr;

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A group of labelled rows, spaced tightly enough for the window's fixed
// client area.
QGroupBox* Group(const QString& caption, QWidget* parent) {
    auto* group = new QGroupBox(caption, parent);
    auto* form = new QFormLayout(group);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(2);
    form->setHorizontalSpacing(6);
    return group;
}

QFormLayout* FormOf(QGroupBox* group) { return static_cast<QFormLayout*>(group->layout()); }

template <size_t N>
QComboBox* PortBox(QGroupBox* group, const char* name, const QString& label,
                   const std::array<std::string_view, N>& items, const char* layoutText) {
    auto* box = Named(new QComboBox(group), name);
    box->setEditable(true);
    for (const std::string_view item : items)
        box->addItem(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
    box->setCurrentText(QString::fromLatin1(layoutText));
    FormOf(group)->addRow(label, box);
    return box;
}

QLineEdit* Edit(QGroupBox* group, const char* name, const QString& label, const char* text = "") {
    auto* edit = Named(new QLineEdit(QString::fromUtf8(text), group), name);
    FormOf(group)->addRow(label, edit);
    return edit;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& caption, bool checked) {
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setChecked(checked);
    return box;
}

platform::ColorBox* Colour(QGroupBox* group, const char* name, const QString& label,
                           std::uint32_t bgr) {
    auto* box = Named(new platform::ColorBox(group), name);
    box->SetSelected(bgr);
    FormOf(group)->addRow(label, box);
    return box;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, const QString& firstLine) {
    auto* memo = Named(new QPlainTextEdit(parent), name);
    memo->setReadOnly(true);
    QFont font(QStringLiteral("Arial Narrow"));
    font.setBold(true);
    memo->setFont(font);
    memo->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: lime; }"));
    memo->setPlainText(firstLine);
    return memo;
}

}  // namespace

TFGPS::TFGPS(TFGPSHost host, QWidget* parent) : QDialog(parent), FHost(std::move(host)) {
    BuildLayout();
    ConnectHandlers();
    platform::GuardHandler([this] { FormCreate(); });
}

TFGPS::~TFGPS() {
    if (FGPS == this) FGPS = nullptr;
}

std::array<QComboBox*, 11> TFGPS::GnssPortBoxes() const {
    return {Port,  BaudRate, DataWidth, StopBits,  Parity,   Priority,
            Delay, NMEALog,  LogTime,   EnableDTR, EnableRTS};
}

std::array<QComboBox*, 11> TFGPS::SensorPortBoxes() const {
    return {SPort,  SBaudRate, SDataWidth, SStopBits,  SParity,   SPriority,
            SDelay, SNMEALog,  SLogTime,   SEnableDTR, SEnableRTS};
}

void TFGPS::BuildLayout() {
    setObjectName(QStringLiteral("FGPS"));
    setWindowTitle(QStringLiteral("Settings"));
    // A dialog border without border icons that stays on top.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    resize(754, 458);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    SettingTabs = Named(new QTabWidget(this), "SettingTabs");
    root->addWidget(SettingTabs);

    // Ports: the same eleven boxes for each.
    QStringList portNames;
    for (int n = 1; n <= 256; ++n) portNames << QStringLiteral("COM%1").arg(n);
    const auto makePortPage = [&](bool sensor) {
        auto* page = new QWidget(SettingTabs);
        auto* grid = new QGridLayout(page);
        QGroupBox* port = Group(sensor ? QStringLiteral("NMEA Sensor Port Settings")
                                       : QStringLiteral("GPS Port Settings"),
                                page);
        QGroupBox* optional = Group(QStringLiteral("Optional Settings"), page);
        grid->addWidget(port, 0, 0);
        grid->addWidget(optional, 0, 1);
        const auto name = [sensor](const char* base) {
            return sensor ? std::string("S") + base : std::string(base);
        };
        std::array<QComboBox*, 11> boxes{};
        const std::array<std::string, 11> names = {
            name("Port"),    name("BaudRate"),  name("DataWidth"), name("StopBits"),
            name("Parity"),  name("Priority"),  name("Delay"),     name("NMEALog"),
            name("LogTime"), name("EnableDTR"), name("EnableRTS")};
        boxes[0] = Named(new QComboBox(port), names[0].c_str());
        boxes[0]->setEditable(true);
        boxes[0]->addItems(portNames);
        boxes[0]->setCurrentText(QStringLiteral("COM1"));
        FormOf(port)->addRow(QStringLiteral("Port No: "), boxes[0]);
        boxes[1] =
            PortBox(port, names[1].c_str(), QStringLiteral("Baud Rate"), kBaudRateItems, "9600");
        boxes[2] =
            PortBox(port, names[2].c_str(), QStringLiteral("Data Width"), kDataWidthItems, "8");
        boxes[3] =
            PortBox(port, names[3].c_str(), QStringLiteral("Stop Bits"), kStopBitsItems, "1");
        boxes[4] = PortBox(port, names[4].c_str(), QStringLiteral("Parity"), kParityItems, "None");
        boxes[5] = PortBox(optional, names[5].c_str(), QStringLiteral("Priority"), kPriorityItems,
                           "Normal");
        boxes[6] = PortBox(optional, names[6].c_str(), QStringLiteral("Delay"), kDelayItems, "5");
        boxes[7] =
            PortBox(optional, names[7].c_str(), QStringLiteral("NMEA Log"), kBooleanItems, "False");
        boxes[8] =
            PortBox(optional, names[8].c_str(), QStringLiteral("Log Time"), kBooleanItems, "False");
        boxes[9] = PortBox(optional, names[9].c_str(), QStringLiteral("Enable DTR"), kBooleanItems,
                           "True");
        boxes[10] = PortBox(optional, names[10].c_str(), QStringLiteral("Enable RTS"),
                            kBooleanItems, "True");
        return std::make_tuple(page, grid, boxes);
    };

    {
        auto [page, grid, boxes] = makePortPage(false);
        GPSTabSheet = Named(page, "GPSTabSheet");
        std::tie(Port, BaudRate, DataWidth, StopBits, Parity, Priority, Delay, NMEALog, LogTime,
                 EnableDTR, EnableRTS) =
            std::tie(boxes[0], boxes[1], boxes[2], boxes[3], boxes[4], boxes[5], boxes[6], boxes[7],
                     boxes[8], boxes[9], boxes[10]);
        GyroEnabled = Check(page, "GyroEnabled", QStringLiteral("Enable Gyro"), true);
        GPSSet = Named(new QPushButton(QStringLiteral("GPS Set"), page), "GPSSet");
        grid->addWidget(GyroEnabled, 1, 0);
        grid->addWidget(GPSSet, 1, 1);
        SettingTabs->addTab(page, QStringLiteral("GPS Settings"));
    }
    {
        auto [page, grid, boxes] = makePortPage(true);
        SensorTabSheet = Named(page, "SensorTabSheet");
        std::tie(SPort, SBaudRate, SDataWidth, SStopBits, SParity, SPriority, SDelay, SNMEALog,
                 SLogTime, SEnableDTR, SEnableRTS) =
            std::tie(boxes[0], boxes[1], boxes[2], boxes[3], boxes[4], boxes[5], boxes[6], boxes[7],
                     boxes[8], boxes[9], boxes[10]);
        SensorEnabled = Check(page, "SensorEnabled", QStringLiteral("Sensor Enabled"), true);
        SensorSet = Named(new QPushButton(QStringLiteral("SBES Set"), page), "SensorSet");
        grid->addWidget(SensorEnabled, 1, 0);
        grid->addWidget(SensorSet, 1, 1);
        QGroupBox* message = Group(QStringLiteral("SBESMessage"), page);
        cSBESMessage = Named(new QComboBox(message), "cSBESMessage");
        cSBESMessage->setEditable(true);
        for (const SBESMessageType& type : kSBESMessageTypes)
            cSBESMessage->addItem(QString::fromUtf8(type.name.data(), int(type.name.size())));
        cSBESMessage->setCurrentText(QString::fromUtf8(kDefaultSBESMessage.data()));
        FormOf(message)->addRow(QStringLiteral("Message"), cSBESMessage);
        eSBESFormat = Named(new QLineEdit(QString::fromUtf8(kDefaultSBESFormat.data()), message),
                            "eSBESFormat");
        FormOf(message)->addRow(QStringLiteral("Format"), eSBESFormat);
        SBESFormatError = Named(new QLabel(message), "SBESFormatError");
        SBESFormatError->setWordWrap(true);
        SBESFormatError->setStyleSheet(QStringLiteral("QLabel { color: red; }"));
        FormOf(message)->addRow(QString(), SBESFormatError);
        grid->addWidget(message, 2, 0, 1, 2);
        SettingTabs->addTab(page, QStringLiteral("Sensor (SBES) Settings"));
    }

    // Geodetic parameters.
    ParametersTabSheet = Named(new QWidget(SettingTabs), "ParametersTabSheet");
    {
        auto* grid = new QGridLayout(ParametersTabSheet);
        auto* datum = new QGroupBox(QStringLiteral("Datum"), ParametersTabSheet);
        auto* datumLayout = new QVBoxLayout(datum);
        datumLayout->setContentsMargins(6, 4, 6, 4);
        datumLayout->setSpacing(2);
        QGroupBox* ellipsoid = Group(QStringLiteral("Ellipsoid"), datum);
        edSMA = Edit(ellipsoid, "edSMA", QStringLiteral("Semi Major Axis"));
        edIF = Edit(ellipsoid, "edIF", QStringLiteral("Flattening"));
        QGroupBox* shift = Group(QStringLiteral("Transformation Parameters from WGS-84"), datum);
        edRX = Edit(shift, "edRX", QStringLiteral("X Rotation"));
        edRY = Edit(shift, "edRY", QStringLiteral("Y Rotation"));
        edRZ = Edit(shift, "edRZ", QStringLiteral("Z Rotation"));
        edSX = Edit(shift, "edSX", QStringLiteral("X Shift"));
        edSY = Edit(shift, "edSY", QStringLiteral("Y Shift"));
        edSZ = Edit(shift, "edSZ", QStringLiteral("Z Shift"));
        edPPM = Edit(shift, "edPPM", QStringLiteral("Scale Factor"));
        cbUseDTP = Check(datum, "cbUseDTP", QStringLiteral("Use DTP"), true);
        cbUseDTP->setEnabled(false);
        auto* name = new QFormLayout;
        edNameOfDatum = Named(new QLineEdit(datum), "edNameOfDatum");
        name->addRow(QStringLiteral("Name of Datum"), edNameOfDatum);
        datumLayout->addWidget(ellipsoid);
        datumLayout->addWidget(shift);
        datumLayout->addWidget(cbUseDTP);
        datumLayout->addLayout(name);

        QGroupBox* tm = Group(QStringLiteral("TM Parameters"), ParametersTabSheet);
        edCM = Edit(tm, "edCM", QStringLiteral("Central Meridian"));
        edRL = Edit(tm, "edRL", QStringLiteral("Reference Latitude"));
        edSF = Edit(tm, "edSF", QStringLiteral("Scale Factor"));
        edFE = Edit(tm, "edFE", QStringLiteral("False Easting"));
        edFN = Edit(tm, "edFN", QStringLiteral("False Northing"));
        cbUseTMProjection = Check(tm, "cbUseTMProjection", QStringLiteral("Use Projection"), true);
        FormOf(tm)->addRow(cbUseTMProjection);

        QGroupBox* lcc = Group(QStringLiteral("LCC Parameters"), ParametersTabSheet);
        eLCCSP1 = Edit(lcc, "eLCCSP1", QStringLiteral("Standard Parallel 1"));
        eLCCSP2 = Edit(lcc, "eLCCSP2", QStringLiteral("Standard Parallel 2"));
        eLCCCP = Edit(lcc, "eLCCCP", QStringLiteral("Central Parallel"));
        eLCCM = Edit(lcc, "eLCCM", QStringLiteral("Central Meridian"));
        eLCCSF = Edit(lcc, "eLCCSF", QStringLiteral("Scale Factor"));
        eLCCFE = Edit(lcc, "eLCCFE", QStringLiteral("False Easting"));
        eLCCFN = Edit(lcc, "eLCCFN", QStringLiteral("False Norhing"));
        cbUseLCCProjection =
            Check(lcc, "cbUseLCCProjection", QStringLiteral("Use Projection"), false);
        cLambert1 = Check(lcc, "cLambert1", QStringLiteral("Use Lambert 1"), false);
        FormOf(lcc)->addRow(cbUseLCCProjection);
        FormOf(lcc)->addRow(cLambert1);

        grid->addWidget(datum, 0, 0);
        grid->addWidget(tm, 0, 1);
        grid->addWidget(lcc, 0, 2);
        for (int column = 0; column < 3; ++column) grid->setColumnStretch(column, 1);
    }
    SettingTabs->addTab(ParametersTabSheet, QStringLiteral("Godetic Parameters"));

    // Global display settings.
    tGlobalSetting = Named(new QWidget(SettingTabs), "tGlobalSetting");
    {
        auto* grid = new QGridLayout(tGlobalSetting);
        QGroupBox* gridGroup = Group(QStringLiteral("Grid Settings"), tGlobalSetting);
        cbGridVisible = Check(gridGroup, "cbGridVisible", QStringLiteral("Show Grid"), true);
        cbAutoGrid = Check(gridGroup, "cbAutoGrid", QStringLiteral("Auto Scale"), false);
        FormOf(gridGroup)->addRow(cbGridVisible);
        FormOf(gridGroup)->addRow(cbAutoGrid);
        edGridSpacingX = Edit(gridGroup, "edGridSpacingX", QStringLiteral("Grid Spacing X"), "100");
        edGridSpacingY = Edit(gridGroup, "edGridSpacingY", QStringLiteral("Grid Spacing Y"), "100");
        cbGridColor = Colour(gridGroup, "cbGridColor", QStringLiteral("Grid Color"), 0xC0C0C0);

        QGroupBox* depth = Group(QStringLiteral("Depth Labels"), tGlobalSetting);
        cbShowDepthLabels =
            Check(depth, "cbShowDepthLabels", QStringLiteral("Show Depth Labels"), true);
        FormOf(depth)->addRow(cbShowDepthLabels);
        edDepthLabelSpacing =
            Edit(depth, "edDepthLabelSpacing", QStringLiteral("Label Spacing (m)"), "10");
        edDepthLabelFontName =
            Edit(depth, "edDepthLabelFontName", QStringLiteral("Font Name"), "Arial");
        edDepthLabelFontSize =
            Edit(depth, "edDepthLabelFontSize", QStringLiteral("Font Size"), "12");
        cbTextColor = Colour(depth, "cbTextColor", QStringLiteral("Text Color"), 0);

        QGroupBox* event = Group(QStringLiteral("Event Labels"), tGlobalSetting);
        edEventLabelFontSize =
            Edit(event, "edEventLabelFontSize", QStringLiteral("Font Size"), "24");
        cbEventLabelColor = Colour(event, "cbEventLabelColor", QStringLiteral("Text Color"), 255);

        QGroupBox* screenshot = Group(QStringLiteral("Screenshot"), tGlobalSetting);
        eScreenshotInterval =
            Edit(screenshot, "eScreenshotInterval", QStringLiteral("Inteval (second)"), "60");

        QGroupBox* overlay = Group(QStringLiteral("Depth/Speed Overlay"), tGlobalSetting);
        edOverlayFontSize = Edit(overlay, "edOverlayFontSize", QStringLiteral("Font Size"), "40");
        cbOverlayDepthColor =
            Colour(overlay, "cbOverlayDepthColor", QStringLiteral("Depth Color"), 0x800000);
        cbOverlaySpeedColor =
            Colour(overlay, "cbOverlaySpeedColor", QStringLiteral("Speed Color"), 0);

        grid->addWidget(gridGroup, 0, 0);
        grid->addWidget(depth, 0, 1);
        grid->addWidget(event, 1, 0);
        grid->addWidget(overlay, 1, 1);
        grid->addWidget(screenshot, 2, 0);
        grid->setRowStretch(3, 1);
    }
    SettingTabs->addTab(tGlobalSetting, QStringLiteral("Global Setting"));

    // The port monitor.
    TabSheet1 = Named(new QWidget(SettingTabs), "TabSheet1");
    {
        auto* row = new QHBoxLayout(TabSheet1);
        MemoGPS = Memo(TabSheet1, "MemoGPS", QStringLiteral("NMEA POSITION DATA"));
        MemoSensor = Memo(TabSheet1, "MemoSensor", QStringLiteral("NMEA SENSOR DATA"));
        row->addWidget(MemoGPS);
        row->addWidget(MemoSensor);
        for (QPlainTextEdit* memo : {MemoGPS, MemoSensor})
            memo->viewport()->installEventFilter(this);
    }
    SettingTabs->addTab(TabSheet1, QStringLiteral("I/O Port Monitor"));
    SettingTabs->setCurrentWidget(tGlobalSetting);

    auto* bottom = new QHBoxLayout;
    LockStateCheck1 =
        Check(this, "LockStateCheck1", QStringLiteral("SAVE && LOCK SETTINGS"), false);
    BitBtn2 = Named(new QPushButton(QStringLiteral("Close"), this), "BitBtn2");
    bottom->addWidget(LockStateCheck1);
    bottom->addStretch();
    bottom->addWidget(BitBtn2);
    root->addLayout(bottom);
}

void TFGPS::ConnectHandlers() {
    const auto guard = [this](void (TFGPS::*handler)()) {
        return [this, handler] { platform::GuardHandler([this, handler] { (this->*handler)(); }); };
    };
    for (auto [box, handler] : std::initializer_list<std::pair<QCheckBox*, void (TFGPS::*)()>>{
             {cbUseTMProjection, &TFGPS::cbUseTMProjectionClick},
             {cbUseLCCProjection, &TFGPS::cbUseLCCProjectionClick},
             {cLambert1, &TFGPS::cLambert1Click},
             {cbGridVisible, &TFGPS::cbGridVisibleClick},
             {cbAutoGrid, &TFGPS::cbAutoGridClick},
             {cbShowDepthLabels, &TFGPS::cbShowDepthLabelsClick},
             {LockStateCheck1, &TFGPS::LockStateCheck1Click}})
        connect(box, &QCheckBox::toggled, this, guard(handler));
    for (auto [edit, handler] : std::initializer_list<std::pair<QLineEdit*, void (TFGPS::*)()>>{
             {edEventLabelFontSize, &TFGPS::edEventLabelFontSizeChange},
             {edOverlayFontSize, &TFGPS::edOverlayFontSizeChange},
             {eScreenshotInterval, &TFGPS::eScreenshotIntervalChange},
             {eSBESFormat, &TFGPS::eSBESFormatChange}})
        connect(edit, &QLineEdit::textChanged, this, guard(handler));
    for (auto [box, handler] :
         std::initializer_list<std::pair<platform::ColorBox*, void (TFGPS::*)()>>{
             {cbGridColor, &TFGPS::cbGridColorChange},
             {cbEventLabelColor, &TFGPS::cbEventLabelColorChange},
             {cbOverlayDepthColor, &TFGPS::cbOverlayDepthColorChange},
             {cbOverlaySpeedColor, &TFGPS::cbOverlaySpeedColorChange}})
        connect(box, &platform::ColorBox::colorChanged, this, guard(handler));
    // Any change of a geodetic edit or switch makes the typed grid system stale.
    const auto stale = [this] { FGridSystemStale = true; };
    for (QLineEdit* edit :
         {edSMA, edIF, edRX, edRY,    edRZ,    edSX,   edSY,  edSZ,   edPPM,  edCM,  edRL,
          edSF,  edFE, edFN, eLCCSP1, eLCCSP2, eLCCCP, eLCCM, eLCCSF, eLCCFE, eLCCFN})
        connect(edit, &QLineEdit::textChanged, this, stale);
    for (QCheckBox* box : {cbUseTMProjection, cbUseLCCProjection, cLambert1})
        connect(box, &QCheckBox::toggled, this, stale);
    // The type box acts on a choice from its list and on typing, never on a
    // text set in code.
    connect(cSBESMessage, &QComboBox::activated, this, guard(&TFGPS::cSBESMessageChange));
    connect(cSBESMessage->lineEdit(), &QLineEdit::textEdited, this,
            guard(&TFGPS::cSBESMessageChange));
    connect(MemoGPS, &QPlainTextEdit::textChanged, this, guard(&TFGPS::MemoGPSChange));
    connect(MemoSensor, &QPlainTextEdit::textChanged, this, guard(&TFGPS::MemoSensorChange));
    connect(GPSSet, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { GPSSetClick(); }); });
    connect(SensorSet, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { SensorSetClick(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, guard(&TFGPS::BitBtn2Click));
}

void TFGPS::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this, OpeningPlace::Centre);
    QDialog::setVisible(visible);
}

void TFGPS::showEvent(QShowEvent* event) {
    platform::GuardHandler([this] { FormShow(); });
    QDialog::showEvent(event);
}

void TFGPS::hideEvent(QHideEvent* event) {
    // A release lost while the window went away must not freeze the monitor.
    if (FHost.SetEchoRawSentences) FHost.SetEchoRawSentences(true);
    QDialog::hideEvent(event);
}

void TFGPS::closeEvent(QCloseEvent* event) {
    platform::GuardHandler([this] { FormCloseQuery(); });
    event->accept();  // a dialog's close only hides it
}

void TFGPS::reject() { close(); }

bool TFGPS::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MemoGPS->viewport() || watched == MemoSensor->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            platform::GuardHandler([this] { MemoGPSMouseDown(); });
        else if (event->type() == QEvent::MouseButtonRelease)
            platform::GuardHandler([this] { MemoGPSMouseUp(); });
    }
    return QDialog::eventFilter(watched, event);
}
