#include "navigation/ui/TfRealtime.h"

#include <QApplication>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "canvas/GdiCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "navigation/LogFolder.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfWaterfal.h"
#include "platform/HandlerGuard.h"
#include "platform/Shell.h"
#include "tools/ui/TNavset.h"

TfRealtime* fRealtime = nullptr;

namespace {

constexpr TColor kNavy = 0x800000;
constexpr TColor kGreen = 0x008000;
constexpr TColor kTeal = 0x808000;
constexpr TColor kLime = 0x00FF00;
constexpr TColor kYellow = 0x00FFFF;
constexpr char kColorProperty[] = "phxBoxColor";

QString CssColor(TColor colour) {
    return QStringLiteral("#%1%2%3")
        .arg(colour & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

QFont BoldFont(int points) {
    QFont font = QApplication::font();
    font.setBold(true);
    if (points > 0) font.setPointSize(points);
    return font;
}

QLabel* ValueLabel(QWidget* parent, const char* name, TColor colour) {
    auto* label = new QLabel(QStringLiteral("---"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(BoldFont(0));
    label->setStyleSheet(QStringLiteral("color: %1;").arg(CssColor(colour)));
    return label;
}

QLabel* DepthLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("---"), parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(ResolveFontFamily(QStringLiteral("Consolas")));
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(26);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QToolButton* ToolButton(QToolBar* bar, const char* name, const char* hint) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    button->setFixedSize(30, 26);
    bar->addWidget(button);
    return button;
}

// The tool bar's images: hide, restore, zoom in, zoom out, folder, offsets.
QIcon ToolImage(int index) {
    static const QStyle::StandardPixmap images[] = {
        QStyle::SP_TitleBarMinButton, QStyle::SP_TitleBarNormalButton,
        QStyle::SP_ArrowUp,           QStyle::SP_ArrowDown,
        QStyle::SP_DirOpenIcon,       QStyle::SP_FileDialogDetailedView};
    return QApplication::style()->standardIcon(images[index]);
}

void SetFlagKeepingVisible(QWidget* window, Qt::WindowType flag, bool on) {
    const bool visible = window->isVisible();
    window->setWindowFlag(flag, on);
    // A change of flags takes the window off the screen.
    if (visible) window->show();
}

}  // namespace

TColor FixColourValue(FixColour colour) {
    switch (colour) {
        case FixColour::Lime:
            return kLime;
        case FixColour::Red:
            return clRed;
        case FixColour::Aqua:
            return 0xFFFF00;
        case FixColour::Yellow:
            break;
    }
    return kYellow;
}

void SetBoxColor(QGroupBox* box, TColor colour, TColor titleColour) {
    box->setProperty(kColorProperty, static_cast<int>(colour));
    box->setStyleSheet(
        QStringLiteral("QGroupBox#%1 { background-color: %2; border: 1px solid #808080;"
                       " margin-top: 8px; padding-top: 4px; }"
                       " QGroupBox#%1::title { subcontrol-origin: margin; left: 6px; color: %3; }")
            .arg(box->objectName(), CssColor(colour), CssColor(titleColour)));
}

TColor TfRealtime::BoxColor(const QGroupBox* box) {
    return static_cast<TColor>(box->property(kColorProperty).toInt());
}

TfRealtime::TfRealtime(QWidget* parent) : QWidget(parent) {
    BuildLayout();
    const auto click = [this](QToolButton* button, void (TfRealtime::*handler)()) {
        connect(button, &QToolButton::clicked, this, [this, handler] {
            platform::GuardHandler([this, handler] { (this->*handler)(); });
        });
    };
    click(btHide, &TfRealtime::btHideClick);
    click(ToolButton2, &TfRealtime::ToolButton2Click);
    click(ToolButton3, &TfRealtime::ToolButton3Click);
    click(btOpenLogFolder, &TfRealtime::btOpenLogFolderClick);
    click(btShowOffsets, &TfRealtime::btShowOffsetsClick);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { Timer1Timer(); }); });
    Timer1->start();
}

void TfRealtime::BuildLayout() {
    setObjectName(QStringLiteral("fRealtime"));
    setWindowTitle(QStringLiteral("Realtime Data"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    outer->addWidget(Panel1);
    auto* column = new QVBoxLayout(Panel1);
    column->setContentsMargins(2, 0, 2, 2);
    column->setSpacing(1);

    ToolBar1 = new QToolBar(Panel1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setFixedHeight(30);
    btHide = ToolButton(ToolBar1, "btHide", "Hide Window");
    ToolButton2 = ToolButton(ToolBar1, "ToolButton2", "Navigation Settings");
    ToolButton3 = ToolButton(ToolBar1, "ToolButton3", "GPS Settings");
    ToolButton1 = ToolBar1->widgetForAction(ToolBar1->addSeparator());
    if (ToolButton1) ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    btOpenLogFolder = ToolButton(ToolBar1, "btOpenLogFolder", "Open Log Folder");
    btShowOffsets = ToolButton(ToolBar1, "btShowOffsets", "Show Offsets");
    btHide->setIcon(ToolImage(0));
    ToolButton2->setIcon(ToolImage(2));
    ToolButton3->setIcon(ToolImage(3));
    btOpenLogFolder->setIcon(ToolImage(4));
    btShowOffsets->setIcon(ToolImage(5));
    column->addWidget(ToolBar1);

    GPSGroupBox = new QGroupBox(QStringLiteral(" GPS Status "), Panel1);
    GPSGroupBox->setObjectName(QStringLiteral("GPSGroupBox"));
    GPSGroupBox->setFont(BoldFont(0));
    GPSGroupBox->setFixedHeight(159);
    SetBoxColor(GPSGroupBox, clWhite, kNavy);
    auto* grid = new QGridLayout(GPSGroupBox);
    grid->setContentsMargins(6, 6, 6, 4);
    Fixed = ValueLabel(GPSGroupBox, "Fixed", kGreen);
    Speed = ValueLabel(GPSGroupBox, "Speed", kNavy);
    SatelliteLabel = ValueLabel(GPSGroupBox, "SatelliteLabel", clBlack);
    LAntennaH = ValueLabel(GPSGroupBox, "LAntennaH", clBlack);
    LTideHt = ValueLabel(GPSGroupBox, "LTideHt", kTeal);
    const std::pair<const char*, QLabel*> rows[] = {{"Fix Type", Fixed},
                                                    {"Speed", Speed},
                                                    {"Satellites", SatelliteLabel},
                                                    {"Antenna Ht.", LAntennaH},
                                                    {"Tide Ht.", LTideHt}};
    int row = 0;
    for (const auto& [caption, value] : rows) {
        auto* label = new QLabel(QString::fromLatin1(caption), GPSGroupBox);
        label->setFont(QApplication::font());
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row++, 1);
    }
    column->addWidget(GPSGroupBox);

    const auto depthFrame = [&](const char* name, const char* title, const char* labelName,
                                TColor colour, QLabel** label) {
        auto* frame = new QGroupBox(QString::fromLatin1(title), Panel1);
        frame->setObjectName(QString::fromLatin1(name));
        frame->setFixedHeight(97);
        SetBoxColor(frame, colour, clBlack);
        auto* layout = new QVBoxLayout(frame);
        layout->setContentsMargins(4, 4, 4, 4);
        *label = DepthLabel(frame, labelName);
        layout->addWidget(*label);
        column->addWidget(frame);
        return frame;
    };
    DepthFrameHi = depthFrame("DepthFrameHi", " Depth (High Freq.) ", "lDepthHi", kLime, &lDepthHi);
    DepthFrameLo =
        depthFrame("DepthFrameLo", " Depth (Low Freq.) ", "lDepthLo", kYellow, &lDepthLo);
    // The one-depth layout until a message type asks for both.
    DepthFrameLo->hide();
    column->addStretch(1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(10000);

    SetClientHeight(382);
}

void TfRealtime::setVisible(bool visible) {
    if (visible && !isVisible()) platform::GuardHandler([this] { FormShow(); });
    QWidget::setVisible(visible);
}

void TfRealtime::FormShow() { RestoreFormPlacement(this, false); }

void TfRealtime::Timer1Timer() {
    // Once: the stored message type has long been loaded into the device
    // settings window; its layout reaches this window now.
    if (Timer1) {
        Timer1->stop();
        Timer1->deleteLater();
        Timer1 = nullptr;
    }
    if (FGPS) FGPS->ApplyStoredSBESMessageType();
}

void TfRealtime::SetHideImageIndex(int index) {
    FHideImage = index;
    if (index == 0 || index == 1) btHide->setIcon(ToolImage(index));
}

void TfRealtime::btHideClick() {
    if (FHideImage == 0)
        EnterCompactMode();
    else if (FHideImage == 1)
        LeaveCompactMode();
}

void TfRealtime::EnterCompactMode() {
    if (FNav) {
        FNav->tRealtime->hide();
        FNav->tDraw->hide();
        if (auto* panel = FNav->findChild<QWidget*>(QStringLiteral("pRealtime"))) panel->hide();
    }
    if (Navset) Navset->close();
    if (FNav) {
        SetFlagKeepingVisible(FNav, Qt::FramelessWindowHint, true);
        // Hidden, not removed: removing the menu bar would free its actions.
        FNav->MainMenu1->hide();
    }
    SetHideImageIndex(1);
    if (fWaterfal) fWaterfal->hide();
    if (FNav) FNav->tShape->hide();
    hide();
}

void TfRealtime::LeaveCompactMode() {
    show();
    if (FNav) {
        FNav->tRealtime->show();
        FNav->tDraw->show();
        if (auto* panel = FNav->findChild<QWidget*>(QStringLiteral("pRealtime"))) panel->show();
    }
    if (Navset) Navset->show();
    if (FNav) {
        SetFlagKeepingVisible(FNav, Qt::FramelessWindowHint, false);
        FNav->MainMenu1->show();
    }
    SetHideImageIndex(0);
    if (FNav && fWaterfal && FNav->ZSENSOR && FNav->ZSENSOR->FOpen && FNav->tEchogram->isActive())
        fWaterfal->show();
    if (FNav) FNav->tShape->show();
}

void TfRealtime::ToolButton2Click() {
    if (FNav) FNav->ZoominClick();
}

void TfRealtime::ToolButton3Click() {
    if (FNav) FNav->ZoomoutClick();
}

void TfRealtime::btShowOffsetsClick() {
    if (Offsets) Offsets->show();
}

void TfRealtime::btOpenLogFolderClick() {
    const std::string portLog = FNav && FNav->ZGPS1 ? FNav->ZGPS1->FLogFileName : std::string();
    const std::string target = LogFolderToOpen(portLog, g_LogDir);
    std::error_code ec;
    std::filesystem::create_directories(target, ec);
    platform::shell().OpenFolder(target);
}

void TfRealtime::ShowLowFrequencyDepth() {
    if (!DepthFrameLo->isHidden()) return;
    DepthFrameLo->show();
    SetClientHeight(kRealtimeTwoDepthHeight);
}

void TfRealtime::HideLowFrequencyDepth() {
    if (DepthFrameLo->isHidden()) return;
    DepthFrameLo->hide();
    SetClientHeight(kRealtimeOneDepthHeight);
}

void TfRealtime::SetClientHeight(int height) { setFixedSize(kRealtimeClientWidth, height); }

int TfRealtime::ClientHeight() const { return height(); }

void TfRealtime::SetGpsColor(TColor colour) {
    if (FGpsColour == colour) return;
    FGpsColour = colour;
    SetBoxColor(GPSGroupBox, colour, kNavy);
}

void TfRealtime::ShowNoFix() {
    SetGpsColor(FixColourValue(FixColourOf(0)));
    Fixed->setText(QStringLiteral("0"));
    // No receiver, no speed: the caption goes back to its text of no value
    // rather than keep the last speed heard.
    Speed->setText(QStringLiteral("---"));
}

void TfRealtime::SetDepthFramesColor(TColor colour) {
    if (FDepthFramesColour == colour) return;
    FDepthFramesColour = colour;
    SetBoxColor(DepthFrameHi, colour, clBlack);
    SetBoxColor(DepthFrameLo, colour, clBlack);
}

void TfRealtime::SetDepthTexts(const QString& high, const QString& low) {
    lDepthHi->setText(high);
    lDepthLo->setText(low);
}
