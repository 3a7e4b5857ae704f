#include "tools/ui/TfLatency.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QVBoxLayout>

#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/VclText.h"

TfLatency* fLatency = nullptr;

namespace {

constexpr std::uint32_t kLime = 0x00FF00;
constexpr std::uint32_t kRed = 0x0000FF;

}  // namespace

TfLatency::TfLatency(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fLatency"));
    setWindowTitle(QStringLiteral("Latency"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    gLatency = new QGroupBox(QStringLiteral("Latency (milisecond)"), this);
    gLatency->setObjectName(QStringLiteral("gLatency"));
    gLatency->setAutoFillBackground(true);
    auto* form = new QFormLayout(gLatency);
    const auto addEdit = [this, form](const char* name, const char* label, const char* text) {
        auto* edit = new QLineEdit(QString::fromLatin1(text), gLatency);
        edit->setObjectName(QString::fromLatin1(name));
        form->addRow(QString::fromLatin1(label), edit);
        return edit;
    };
    eCurrentLatency = addEdit("eCurrentLatency", "Current", "");
    eCurrentLatency->setEnabled(false);
    eLatencyAveraged = addEdit("eLatencyAveraged", "Averaged", "");
    eLatencyAveraged->setEnabled(false);
    eLatencyTol = addEdit("eLatencyTol", "Tolerence", "500");
    FTolerance.Take("500");
    layout->addWidget(gLatency);

    connect(eLatencyTol, &QLineEdit::textChanged, this,
            [this] { platform::GuardHandler([this] { eLatencyTolChange(); }); });
    connect(eCurrentLatency, &QLineEdit::textChanged, this,
            [this] { platform::GuardHandler([this] { eCurrentLatencyChange(); }); });

    platform::GuardHandler([this] { FormCreate(); });
    adjustSize();
}

int TfLatency::Tolerance() const noexcept { return FTolerance.GetInt().value_or(500); }

void TfLatency::FormCreate() {
    const platform::IniFile ini(SettingsFilePath());
    eLatencyTol->setText(
        QString::fromStdString(platform::IntToStr(ini.ReadInteger("LATENCY", "eLatencyTol", 500))));
}

void TfLatency::eLatencyTolChange() {
    const std::string text = eLatencyTol->text().toStdString();
    FTolerance.Take(text);
    platform::IniFile ini(SettingsFilePath());
    ini.WriteString("LATENCY", "eLatencyTol", text);
}

void TfLatency::eCurrentLatencyChange() {
    // The tick writes the current value; a text that is not a whole number
    // (never written by the tick) keeps the colour.
    static const tools::LiveValue current(-2147483648.0, 2147483647.0, true);
    const std::optional<double> ms = current.Parse(eCurrentLatency->text().toStdString());
    if (!ms) return;
    SetGroupColor(*ms < Tolerance() ? kLime : kRed);
}

void TfLatency::SetGroupColor(std::uint32_t bgr) {
    FGroupColor = bgr;
    QPalette palette = gLatency->palette();
    palette.setColor(QPalette::Window, QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    gLatency->setPalette(palette);
}

void TfLatency::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this);
    QWidget::setVisible(visible);
}
