#include "foundation/FormPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"

namespace {

std::string SectionOf(const QWidget* form) { return form->objectName().toStdString(); }

QSize PrimaryScreenSize() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->size();
    return {1920, 1080};
}

// The frame of a window that was never shown is not known yet: size it again
// once it is on the screen, so the stored frame size is what it gets. One
// fixer per window: a later restore before the first show replaces the size.
class FrameSizeFixer : public QObject {
  public:
    static void Arm(QWidget* form, QSize frameSize) {
        auto* fixer = static_cast<FrameSizeFixer*>(
            form->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
        if (!fixer) fixer = new FrameSizeFixer(form);
        fixer->frameSize_ = frameSize;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* form = static_cast<QWidget*>(watched);
            form->removeEventFilter(this);
            setObjectName({});
            QTimer::singleShot(0, form, [form, size = frameSize_] {
                const QSize extra = form->frameGeometry().size() - form->size();
                form->resize(size - extra);
            });
            deleteLater();
        }
        return false;
    }

  private:
    static constexpr const char* kName = "phxFrameSizeFixer";

    explicit FrameSizeFixer(QWidget* form) : QObject(form) {
        setObjectName(kName);
        form->installEventFilter(this);
    }

    QSize frameSize_;
};

}  // namespace

QPoint ClampToScreen(QPoint position, QSize screen) {
    if (position.x() < 0) position.setX(0);
    if (position.y() < 0) position.setY(0);
    if (position.x() >= screen.width()) position.setX(0);
    if (position.y() >= screen.height()) position.setY(0);
    return position;
}

void SaveFormPlacement(QWidget* form) {
    platform::IniFile ini(SettingsFilePath());
    const std::string section = SectionOf(form);
    const int state = form->isMaximized() ? 2 : form->isMinimized() ? 1 : 0;
    const QRect frame = form->frameGeometry();
    ini.WriteInteger(section, "WindowState", state);
    ini.WriteInteger(section, "Left", frame.x());
    ini.WriteInteger(section, "Top", frame.y());
    ini.WriteInteger(section, "Width", frame.width());
    ini.WriteInteger(section, "Height", frame.height());
}

void RestoreFormPlacement(QWidget* form, bool restoreSize) {
    platform::IniFile ini(SettingsFilePath());
    const std::string section = SectionOf(form);
    if (ini.ReadInteger(section, "WindowState", 0) == 2) {
        form->setWindowState(form->windowState() | Qt::WindowMaximized);
        return;
    }
    const QRect frame = form->frameGeometry();
    QPoint position(ini.ReadInteger(section, "Left", 0), ini.ReadInteger(section, "Top", 0));
    position = ClampToScreen(position, PrimaryScreenSize());
    if (restoreSize) {
        const QSize frameExtra = frame.size() - form->size();
        const int width = ini.ReadInteger(section, "Width", frame.width());
        const int height = ini.ReadInteger(section, "Height", frame.height());
        form->resize(width - frameExtra.width(), height - frameExtra.height());
        if (!form->isVisible()) FrameSizeFixer::Arm(form, QSize(width, height));
    }
    form->move(position);  // a top-level move places the frame
}
