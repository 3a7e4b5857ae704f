#include "platform/ui/ColorBox.h"

#include <QColor>
#include <QPixmap>
#include <QSignalBlocker>
#include <iterator>

#include "platform/Dialogs.h"

namespace platform {
namespace {

struct NamedColor {
    const char* name;
    std::uint32_t bgr;
};

// The class library's standard and extended colours, 0x00BBGGRR.
constexpr NamedColor kColors[] = {
    {"Black", 0x000000}, {"Maroon", 0x000080},      {"Green", 0x008000},
    {"Olive", 0x008080}, {"Navy", 0x800000},        {"Purple", 0x800080},
    {"Teal", 0x808000},  {"Gray", 0x808080},        {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},   {"Lime", 0x00FF00},        {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF}, {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
};

constexpr int kCustomIndex = 0;  // "Custom..." comes first, holding the custom colour

QPixmap Swatch(std::uint32_t bgr) {
    QPixmap swatch(16, 12);
    swatch.fill(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    return swatch;
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
    addItem(Swatch(0), QStringLiteral("Custom..."), QVariant::fromValue<uint>(0));
    for (const NamedColor& color : kColors)
        addItem(Swatch(color.bgr), QString::fromLatin1(color.name),
                QVariant::fromValue<uint>(color.bgr));
    setCurrentIndex(1);  // black
    connect(this, qOverload<int>(&QComboBox::activated), this, &ColorBox::OnActivated);
}

std::uint32_t ColorBox::Selected() const { return itemData(currentIndex()).toUInt() & 0xFFFFFF; }

void ColorBox::SetSelected(std::uint32_t bgr) {
    bgr &= 0xFFFFFF;
    lastChosen_ = bgr;
    const QSignalBlocker quiet(this);
    const int index = IndexOf(bgr);
    if (index >= 0) {
        setCurrentIndex(index);
    } else {
        SetCustom(bgr);
        setCurrentIndex(kCustomIndex);
    }
}

int ColorBox::IndexOf(std::uint32_t bgr) const {
    for (int i = 1; i < count(); ++i)
        if (itemData(i).toUInt() == bgr) return i;
    return -1;
}

void ColorBox::SetCustom(std::uint32_t bgr) {
    setItemData(kCustomIndex, QVariant::fromValue<uint>(bgr));
    setItemIcon(kCustomIndex, Swatch(bgr));
}

void ColorBox::OnActivated(int index) {
    if (index == kCustomIndex) {
        const long long picked = dialogs().PickColor(lastChosen_);
        if (picked < 0) {
            // Cancelled: the box shows what it showed before, and nothing changed.
            SetSelected(lastChosen_);
            return;
        }
        SetCustom(static_cast<std::uint32_t>(picked) & 0xFFFFFF);
        const QSignalBlocker quiet(this);
        setCurrentIndex(kCustomIndex);
    }
    lastChosen_ = Selected();
    emit colorChanged(lastChosen_);
}

}  // namespace platform
