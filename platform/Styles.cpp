#include "platform/Styles.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "platform/Dialogs.h"

namespace platform {
namespace {

constexpr const char* kDefaultStyle = "Plovan HX - Default";

std::string& Active() {
    static std::string active = kDefaultStyle;
    return active;
}

// The widget style Qt chose before any switch, so the default can come back.
const QString& PlatformStyleKey() {
    static const QString key = QApplication::style() ? QApplication::style()->name() : QString();
    return key;
}

QPalette DarkPalette() {
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Highlight, QColor(0, 120, 215));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    return p;
}

bool Apply(const QString& key, const QPalette* palette) {
    QStyle* style = QStyleFactory::create(key);
    if (!style) return false;
    QApplication::setStyle(style);  // the application takes ownership
    QApplication::setPalette(palette ? *palette : style->standardPalette());
    return true;
}

}  // namespace

std::vector<std::string> StyleNames() { return {kDefaultStyle, "Light", "Dark"}; }

std::string ActiveStyleName() { return Active(); }

bool TrySetStyle(const std::string& name, bool showErrorDialog) {
    PlatformStyleKey();
    bool switched = false;
    if (name == kDefaultStyle) {
        switched = Apply(PlatformStyleKey(), nullptr);
    } else if (name == "Light") {
        switched = Apply(QStringLiteral("Fusion"), nullptr);
    } else if (name == "Dark") {
        const QPalette dark = DarkPalette();
        switched = Apply(QStringLiteral("Fusion"), &dark);
    }
    if (switched) {
        Active() = name;
    } else if (showErrorDialog) {
        ShowMessage(QStringLiteral("Style '%1' not found.").arg(QString::fromStdString(name)));
    }
    return switched;
}

uint32_t StylePanelColor() {
    const QColor c = QApplication::palette().color(QPalette::Window);
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

}  // namespace platform
