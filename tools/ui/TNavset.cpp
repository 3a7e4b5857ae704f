#include "tools/ui/TNavset.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/VclText.h"
#include "platform/ui/ColorBox.h"
#include "tools/ui/TUpDown.h"

TNavset* Navset = nullptr;

namespace {

constexpr const char* kVesselLayer = "~~Plovan Vessel";
constexpr const char* kTrackLayers[] = {"track_fix", "track_float", "track_nofix"};

std::string TextOf(const QLineEdit* edit) { return edit->text().toStdString(); }

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int maxLength,
                    bool digitsOnly) {
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0) edit->setMaxLength(maxLength);
    if (digitsOnly)
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setFixedWidth(56);
    return edit;
}

platform::ColorBox* MakeColorBox(QWidget* parent, const char* name, std::uint32_t color) {
    auto* box = new platform::ColorBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->SetSelected(color);
    return box;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* caption) {
    auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

QLabel* MakeLabel(QWidget* parent, const char* caption) {
    return new QLabel(QString::fromUtf8(caption), parent);
}

}  // namespace

TNavset::TNavset(TPlovanCanvas* canvas, QTimer* mapTimer, QWidget* parent)
    : QWidget(parent), FCanvas(canvas), FMapTimer(mapTimer) {
    BuildLayout();
    TakeColors();
    FValues.TrackAsLine = cLineOrDot->isChecked();
    FValues.DepthAlert.Take(TextOf(edDepthAlert1));
    FValues.TrackDistance.Take(TextOf(TrackDistance));

    const auto guarded = [this](void (TNavset::*handler)()) {
        return [this, handler] { platform::GuardHandler([this, handler] { (this->*handler)(); }); };
    };
    connect(VesselColor, &platform::ColorBox::colorChanged, this,
            guarded(&TNavset::VesselColorChange));
    connect(fcadColor, &platform::ColorBox::colorChanged, this, guarded(&TNavset::fcadColorChange));
    for (platform::ColorBox* box : {ColorTracklines1, ColorTracklines0})
        connect(box, &platform::ColorBox::colorChanged, this, [this] { TakeColors(); });
    connect(cLineOrDot, &QCheckBox::toggled, this,
            [this](bool checked) { FValues.TrackAsLine = checked; });
    connect(VesselWidth, &QLineEdit::textChanged, this, guarded(&TNavset::VesselWidthChange));
    connect(eVesselUpdateRate, &QLineEdit::textChanged, this,
            guarded(&TNavset::eVesselUpdateRateChange));
    connect(TrackWidth, &QLineEdit::textChanged, this, guarded(&TNavset::TrackWidthChange));
    connect(TrackDistance, &QLineEdit::textChanged, this, guarded(&TNavset::TrackDistanceChange));
    connect(edDepthAlert1, &QLineEdit::textChanged, this, guarded(&TNavset::edDepthAlert1Change));

    // The up-downs write their positions into their edits at creation, so
    // the map timer starts at the edit's rate and the widths reach the layers
    // that exist by now.
    for (TUpDown* upDown : {UpDown1, UpDown2, UpDown3, UpDown4}) upDown->WritePosition();
}

void TNavset::BuildLayout() {
    setObjectName(QStringLiteral("Navset"));
    setWindowTitle(QStringLiteral("Navigation Settings"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);

    GroupBox1 = MakeGroup(this, "GroupBox1", " Vessel Color && Width");
    auto* vessel = new QGridLayout(GroupBox1);
    VesselColor = MakeColorBox(GroupBox1, "VesselColor", tools::kNavy);
    VesselWidth = MakeEdit(GroupBox1, "VesselWidth", "2", 2, true);
    UpDown1 = new TUpDown(VesselWidth, 0, 15, 2, 1, GroupBox1);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    eVesselUpdateRate = MakeEdit(GroupBox1, "eVesselUpdateRate", "500", 0, false);
    UpDown4 = new TUpDown(eVesselUpdateRate, 0, 5000, 500, 50, GroupBox1);
    UpDown4->setObjectName(QStringLiteral("UpDown4"));
    vessel->addWidget(VesselColor, 0, 0);
    vessel->addWidget(MakeLabel(GroupBox1, "Wid."), 0, 1);
    vessel->addWidget(VesselWidth, 0, 2);
    vessel->addWidget(UpDown1, 0, 3);
    vessel->addWidget(MakeLabel(GroupBox1, "Update Rate (ms)"), 1, 0, 1, 2);
    vessel->addWidget(eVesselUpdateRate, 1, 2);
    vessel->addWidget(UpDown4, 1, 3);
    layout->addWidget(GroupBox1);

    GroupBox2 = MakeGroup(this, "GroupBox2", "Background Color");
    auto* background = new QGridLayout(GroupBox2);
    fcadColor = MakeColorBox(GroupBox2, "fcadColor", tools::kWhite);
    background->addWidget(fcadColor, 0, 0);
    layout->addWidget(GroupBox2);

    GroupBox3 = MakeGroup(this, "GroupBox3", " Track Lines (Fixed/Float)");
    auto* tracks = new QGridLayout(GroupBox3);
    ColorTracklines1 = MakeColorBox(GroupBox3, "ColorTracklines1", tools::kGreen);
    ColorTracklines0 = MakeColorBox(GroupBox3, "ColorTracklines0", tools::kYellow);
    cLineOrDot = new QCheckBox(QStringLiteral("Draw as Line"), GroupBox3);
    cLineOrDot->setObjectName(QStringLiteral("cLineOrDot"));
    cLineOrDot->setChecked(false);
    TrackWidth = MakeEdit(GroupBox3, "TrackWidth", "2", 2, false);
    UpDown2 = new TUpDown(TrackWidth, 0, 15, 2, 1, GroupBox3);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    TrackDistance = MakeEdit(GroupBox3, "TrackDistance", "20", 8, true);
    UpDown3 = new TUpDown(TrackDistance, 0, 500, 20, 1, GroupBox3);
    UpDown3->setObjectName(QStringLiteral("UpDown3"));
    tracks->addWidget(ColorTracklines1, 0, 0);
    tracks->addWidget(ColorTracklines0, 0, 1, 1, 3);
    tracks->addWidget(cLineOrDot, 1, 0);
    tracks->addWidget(MakeLabel(GroupBox3, "Wid."), 1, 1);
    tracks->addWidget(TrackWidth, 1, 2);
    tracks->addWidget(UpDown2, 1, 3);
    tracks->addWidget(MakeLabel(GroupBox3, "Dist (m)"), 2, 1);
    tracks->addWidget(TrackDistance, 2, 2);
    tracks->addWidget(UpDown3, 2, 3);
    layout->addWidget(GroupBox3);

    GroupBox4 = MakeGroup(this, "GroupBox4", "Alert");
    auto* alert = new QGridLayout(GroupBox4);
    edDepthAlert1 = MakeEdit(GroupBox4, "edDepthAlert1", "0.5", 0, false);
    alert->addWidget(MakeLabel(GroupBox4, "Shallow Water"), 0, 0);
    alert->addWidget(edDepthAlert1, 0, 1);
    alert->addWidget(MakeLabel(GroupBox4, "m"), 0, 2);
    layout->addWidget(GroupBox4);

    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TNavset::TakeColors() {
    FValues.VesselColor = VesselColor->Selected();
    FValues.BackgroundColor = fcadColor->Selected();
    FValues.TrackFixColor = ColorTracklines1->Selected();
    FValues.TrackFloatColor = ColorTracklines0->Selected();
}

void TNavset::FormShow() {
    RestoreFormPlacement(this, false);
    const platform::IniFile ini(SettingsFilePath());
    const tools::NavigationSection s = tools::ReadNavigationSection(ini);
    // Texts set here run their change handlers, as typing does; colours
    // selected here do not.
    VesselWidth->setText(QString::fromStdString(s.VesselWidth));
    TrackWidth->setText(QString::fromStdString(s.TrackWidth));
    TrackDistance->setText(QString::fromStdString(s.TrackDistance));
    VesselColor->SetSelected(s.VesselColor);
    ColorTracklines1->SetSelected(s.ColorTracklines1);
    ColorTracklines0->SetSelected(s.ColorTracklines0);
    fcadColor->SetSelected(s.BackgroundColor);
    TakeColors();
    cLineOrDot->setChecked(s.LineOrDot);
    edDepthAlert1->setText(QString::fromStdString(s.DepthAlert));
}

void TNavset::FormCloseQuery() {
    tools::NavigationSection s;
    s.VesselWidth = TextOf(VesselWidth);
    s.TrackWidth = TextOf(TrackWidth);
    s.TrackDistance = TextOf(TrackDistance);
    s.VesselColor = VesselColor->Selected();
    s.ColorTracklines1 = ColorTracklines1->Selected();
    s.ColorTracklines0 = ColorTracklines0->Selected();
    s.BackgroundColor = fcadColor->Selected();
    s.LineOrDot = cLineOrDot->isChecked();
    s.DepthAlert = TextOf(edDepthAlert1);
    platform::IniFile ini(SettingsFilePath());
    tools::WriteNavigationSection(ini, s);
    SaveFormPlacement(this);
}

void TNavset::FormHide() { SaveFormPlacement(this); }

void TNavset::VesselColorChange() {
    TakeColors();
    if (!FCanvas) return;
    const int id = FCanvas->FindLayer(QString::fromUtf8(kVesselLayer));
    if (id < 0) return;
    FCanvas->SetLayerColor(id, static_cast<TColor>(FValues.VesselColor));
    FCanvas->Repaint();
}

void TNavset::VesselWidthChange() {
    FValues.VesselWidth.Take(TextOf(VesselWidth));
    if (!FCanvas) return;
    if (VesselWidth->text().isEmpty()) {
        VesselWidth->setText(QStringLiteral("2"));  // runs this handler again
        return;
    }
    const int id = FCanvas->FindLayer(QString::fromUtf8(kVesselLayer));
    if (id < 0) return;
    FCanvas->SetLayerWidth(id, platform::StrToInt(TextOf(VesselWidth)));
    FCanvas->Repaint();
}

void TNavset::eVesselUpdateRateChange() {
    const std::string text = TextOf(eVesselUpdateRate);
    const std::optional<int> intervalMs = tools::MapIntervalMs(text);
    if (intervalMs) FValues.UpdateRateMs = intervalMs;
    if (!FMapTimer) return;
    // A text that is not a whole number keeps the running interval and says
    // why, as the class library's conversion does.
    if (!intervalMs) platform::StrToInt(text);
    if (intervalMs) FMapTimer->setInterval(*intervalMs);
}

void TNavset::fcadColorChange() {
    TakeColors();
    if (!FCanvas) return;
    FCanvas->SetBackgroundColor(static_cast<TColor>(FValues.BackgroundColor));
}

void TNavset::TrackWidthChange() {
    FValues.TrackWidth.Take(TextOf(TrackWidth));
    if (!FCanvas) return;
    if (TrackWidth->text().isEmpty()) {
        TrackWidth->setText(QStringLiteral("2"));
        return;
    }
    const int width = platform::StrToInt(TextOf(TrackWidth));
    for (const char* name : kTrackLayers) {
        const int id = FCanvas->FindLayer(QString::fromUtf8(name));
        if (id >= 0) FCanvas->SetLayerWidth(id, width);
    }
    FCanvas->Repaint();
}

void TNavset::TrackDistanceChange() {
    FValues.TrackDistance.Take(TextOf(TrackDistance));
    if (TrackDistance->text().isEmpty()) TrackDistance->setText(QStringLiteral("1"));
}

void TNavset::edDepthAlert1Change() {
    FValues.DepthAlert.Take(TextOf(edDepthAlert1));
    if (edDepthAlert1->text().isEmpty()) edDepthAlert1->setText(QStringLiteral("0"));
}

void TNavset::setVisible(bool visible) {
    if (visible && !isVisible()) platform::GuardHandler([this] { FormShow(); });
    QWidget::setVisible(visible);
}

void TNavset::closeEvent(QCloseEvent* event) {
    platform::GuardHandler([this] { FormCloseQuery(); });
    event->accept();
}

void TNavset::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) platform::GuardHandler([this] { FormHide(); });
}
