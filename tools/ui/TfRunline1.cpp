#include "tools/ui/TfRunline1.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <string>

#include "canvas/CanvasModel.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/FormPlacement.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/VclText.h"
#include "tools/RunlineGenerator.h"

TfRunline1* fRunline1 = nullptr;

namespace {

constexpr std::uint32_t kGray = 0x808080, kBlue = 0xFF0000, kRed = 0x0000FF, kGreen = 0x008000;
const QString kRouteLayer = QStringLiteral("Plovan_Route");
const QString kRunlineLayer = QStringLiteral("Plovan_Runlines");

QString CssColor(std::uint32_t bgr) {
    return QStringLiteral("#%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

TfRunline1::TfRunline1(TCanvasModel* canvas, QWidget* parent) : QWidget(parent), FCanvas(canvas) {
    setObjectName(QStringLiteral("fRunline1"));
    setWindowTitle(QStringLiteral("Runline Generator"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);

    GroupBox1 = Named(new QGroupBox(QStringLiteral("Step 1: Draw Route"), this), "GroupBox1");
    auto* step1 = new QVBoxLayout(GroupBox1);
    lRouteStatus = Named(new QLabel(QStringLiteral("No route drawn"), GroupBox1), "lRouteStatus");
    bDrawRoute = Named(new QPushButton(QStringLiteral("Draw Route"), GroupBox1), "bDrawRoute");
    step1->addWidget(lRouteStatus);
    step1->addWidget(bDrawRoute);
    layout->addWidget(GroupBox1);

    GroupBox2 = Named(new QGroupBox(QStringLiteral("Step 2: Spacing (meters)"), this), "GroupBox2");
    auto* step2 = new QGridLayout(GroupBox2);
    eSpacing = Named(new QLineEdit(QStringLiteral("10"), GroupBox2), "eSpacing");
    eLength = Named(new QLineEdit(QStringLiteral("100"), GroupBox2), "eLength");
    auto* spacingLabel = new QLabel(QStringLiteral("Spacing"), GroupBox2);
    auto* lengthLabel = new QLabel(QStringLiteral("Length"), GroupBox2);
    spacingLabel->setBuddy(eSpacing);
    lengthLabel->setBuddy(eLength);
    step2->addWidget(spacingLabel, 0, 0);
    step2->addWidget(eSpacing, 1, 0);
    step2->addWidget(lengthLabel, 0, 1);
    step2->addWidget(eLength, 1, 1);
    layout->addWidget(GroupBox2);

    GroupBox3 = Named(new QGroupBox(QStringLiteral("Step 3: Line Type"), this), "GroupBox3");
    auto* step3 = new QVBoxLayout(GroupBox3);
    rbPerpendicular =
        Named(new QRadioButton(QStringLiteral("Perpendicular"), GroupBox3), "rbPerpendicular");
    rbParallel = Named(new QRadioButton(QStringLiteral("Parallel"), GroupBox3), "rbParallel");
    rbPerpendicular->setChecked(true);
    step3->addWidget(rbPerpendicular);
    step3->addWidget(rbParallel);
    layout->addWidget(GroupBox3);

    GroupBox4 = Named(new QGroupBox(QStringLiteral("Actions"), this), "GroupBox4");
    auto* actions = new QHBoxLayout(GroupBox4);
    bGenerate = Named(new QPushButton(QStringLiteral("Generate"), GroupBox4), "bGenerate");
    bGenerate->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; font-weight: bold; }").arg(CssColor(kGreen)));
    bClear = Named(new QPushButton(QStringLiteral("Clear"), GroupBox4), "bClear");
    bClose = Named(new QPushButton(QStringLiteral("Close"), GroupBox4), "bClose");
    actions->addWidget(bGenerate);
    actions->addWidget(bClear);
    actions->addWidget(bClose);
    layout->addWidget(GroupBox4);

    const auto guard = [this](void (TfRunline1::*handler)()) {
        return [this, handler] { platform::GuardHandler([this, handler] { (this->*handler)(); }); };
    };
    connect(bDrawRoute, &QPushButton::clicked, this, guard(&TfRunline1::bDrawRouteClick));
    connect(bGenerate, &QPushButton::clicked, this, guard(&TfRunline1::bGenerateClick));
    connect(bClear, &QPushButton::clicked, this, guard(&TfRunline1::bClearClick));
    connect(bClose, &QPushButton::clicked, this, &QWidget::close);
    connect(eSpacing, &QLineEdit::textChanged, this, guard(&TfRunline1::eSpacingChange));
    connect(eLength, &QLineEdit::textChanged, this, guard(&TfRunline1::eLengthChange));
    // Each choice of line type regenerates once: only the button that
    // becomes checked reports it.
    connect(rbPerpendicular, &QRadioButton::toggled, this, [this](bool on) {
        if (on) platform::GuardHandler([this] { rbPerpendicularClick(); });
    });
    connect(rbParallel, &QRadioButton::toggled, this, [this](bool on) {
        if (on) platform::GuardHandler([this] { rbParallelClick(); });
    });

    platform::GuardHandler([this] { FormCreate(); });
    adjustSize();
}

void TfRunline1::FormCreate() {
    const platform::IniFile ini(SettingsFilePath());
    eSpacing->setText(QString::fromStdString(ini.ReadString("RUNLINE", "Spacing", "10")));
    eLength->setText(QString::fromStdString(ini.ReadString("RUNLINE", "Length", "100")));
    const bool perpendicular = ini.ReadInteger("RUNLINE", "Perpendicular", 1) != 0;
    rbPerpendicular->setChecked(perpendicular);
    rbParallel->setChecked(!perpendicular);
    FRouteValid = false;
    SetStatus(QStringLiteral("No route drawn"), kGray);
}

void TfRunline1::FormShow() { RestoreFormPlacement(this, false); }

void TfRunline1::setVisible(bool visible) {
    if (visible && !isVisible()) platform::GuardHandler([this] { FormShow(); });
    QWidget::setVisible(visible);
}

void TfRunline1::SetStatus(const QString& text, std::uint32_t bgr) {
    FStatusColor = bgr;
    FTooMany = false;
    lRouteStatus->setText(text);
    lRouteStatus->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(CssColor(bgr)));
}

void TfRunline1::ShowRouteStatus() {
    SetStatus(QStringLiteral("Route: %1 points").arg(FRoute.size()), kGreen);
}

int TfRunline1::KnownRunlineLayer() {
    if (FRunlineLayerId == -1 || !FCanvas) return -1;
    const TCanvasLayer* layer = FCanvas->FindLayerById(FRunlineLayerId);
    if (!layer || layer->Name != kRunlineLayer) FRunlineLayerId = -1;
    return FRunlineLayerId;
}

void TfRunline1::bDrawRouteClick() {
    if (!FCanvas) return;
    // 1.
    if (const int id = KnownRunlineLayer(); id != -1) {
        FCanvas->ClearLayer(id);
        FCanvas->Invalidate();
    }
    // 2.
    FRoute.clear();
    FRouteValid = false;
    // 3.
    int route = FCanvas->FindLayer(kRouteLayer);
    if (route == -1)
        route = FCanvas->AddLayer(kRouteLayer);
    else
        FCanvas->ClearLayer(route);
    // 4. One polyline, ended by a right click.
    FCanvas->FCurrentLayer = route;
    FCanvas->FCommand = 5;
    FCanvas->FKeepCommand = 0;
    // 5.
    SetStatus(QStringLiteral("Drawing... (right-click to finish)"), kBlue);
    FCanvas->Invalidate();
}

void TfRunline1::SetRoute(const std::vector<TPointD>& points) {
    FRoute = points;
    FRouteValid = FRoute.size() >= 2;
    if (!FRouteValid) {
        SetStatus(QStringLiteral("Need at least 2 points"), kRed);
        return;
    }
    ShowRouteStatus();
    GenerateRunlines();
}

bool TfRunline1::GenerateRunlines() {
    if (FRoute.size() < 2 || !FCanvas) return false;
    const std::string spacingText = eSpacing->text().toStdString();
    const std::string lengthText = eLength->text().toStdString();
    double spacing = platform::StrToFloatDef(spacingText, 10);
    double length = platform::StrToFloatDef(lengthText, 100);
    if (spacing <= 0) spacing = 10;
    if (length <= 0) length = 100;
    const bool perpendicular = rbPerpendicular->isChecked();

    // Too many lines would stall the program: the drawing stays as it is.
    const RunlineSet set = GenerateRunlineSet(FRoute, spacing, length, perpendicular);
    if (set.TooMany()) {
        SetStatus(QStringLiteral("Too many lines: %1").arg(set.Wanted), kRed);
        FTooMany = true;
        return false;
    }
    if (FTooMany) ShowRouteStatus();

    AppendEventLog("Runlines generated - Spacing: " + spacingText + ", Length: " + lengthText,
                   EventLogPath());
    // The runline layer is no place for the next shapes the surveyor draws.
    const int current = FCanvas->FCurrentLayer;
    int layer = FCanvas->FindLayer(kRunlineLayer);
    if (layer == -1) layer = FCanvas->AddLayer(kRunlineLayer);
    FCanvas->FCurrentLayer = current;
    FRunlineLayerId = layer;
    FCanvas->ClearLayer(layer);
    FCanvas->AddPolyline(FRoute, layer, false);
    for (const std::vector<TPointD>& line : set.Lines) FCanvas->AddPolyline(line, layer, false);
    FCanvas->Invalidate();
    return true;
}

void TfRunline1::RegenerateIfValid() {
    if (FRouteValid) GenerateRunlines();
}

void TfRunline1::eSpacingChange() { RegenerateIfValid(); }
void TfRunline1::eLengthChange() { RegenerateIfValid(); }
void TfRunline1::rbPerpendicularClick() { RegenerateIfValid(); }
void TfRunline1::rbParallelClick() { RegenerateIfValid(); }

void TfRunline1::bGenerateClick() {
    if (!FRouteValid) {
        platform::ShowMessage(QStringLiteral("Please draw a route first."));
        return;
    }
    if (!GenerateRunlines()) return;
    platform::IniFile ini(SettingsFilePath());
    ini.WriteString("RUNLINE", "Spacing", eSpacing->text().toStdString());
    ini.WriteString("RUNLINE", "Length", eLength->text().toStdString());
    ini.WriteString("RUNLINE", "Perpendicular", rbPerpendicular->isChecked() ? "1" : "0");
}

void TfRunline1::bClearClick() {
    if (FCanvas) {
        if (const int id = KnownRunlineLayer(); id != -1) {
            FCanvas->ClearLayer(id);
            FCanvas->Invalidate();
        }
    }
    FRoute.clear();
    FRouteValid = false;
    SetStatus(QStringLiteral("No route drawn"), kGray);
}
