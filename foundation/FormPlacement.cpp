#include "foundation/FormPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <limits>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"

namespace {

std::string SectionOf(const QWidget* form) { return form->objectName().toStdString(); }

QRect AvailableScreenArea() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return {0, 0, 1920, 1080};
}

// The frame around the client area as far as it is known: none before the
// window is first on the screen.
QMargins KnownFrame(const QWidget* form) {
    const QRect frame = form->frameGeometry();
    const QRect client = form->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

// A client size with its frame, saturated: a stored size may be anything.
QSize WithFrame(QSize client, QMargins frame) {
    const auto grow = [](int extent, int extra) {
        return static_cast<int>(std::clamp<long long>(static_cast<long long>(extent) + extra,
                                                      std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
    };
    return {grow(client.width(), frame.left() + frame.right()),
            grow(client.height(), frame.top() + frame.bottom())};
}

QSize MinimumFor(bool restoreSize, QSize minimum, QMargins frame) {
    return restoreSize ? minimum.grownBy(frame) : QSize(0, 0);
}

// A window restored before it was first on the screen was fitted to the screen
// without its frame. Once a window manager has framed it, the frame may run
// over the screen's edge: fit it once more then, frame included. A window that
// fits is left exactly as it is, and a window that never gets a frame is never
// touched again.
class FitOnceFramed : public QObject {
  public:
    static void Arm(QWidget* form, bool restoreSize, QSize minimum) {
        auto* fitter = static_cast<FitOnceFramed*>(
            form->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
        if (!fitter) fitter = new FitOnceFramed(form);
        fitter->restoreSize_ = fitter->restoreSize_ || restoreSize;
        if (restoreSize) fitter->minimum_ = minimum;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Show:
                // The frame of some platforms is known only once the show is
                // through.
                QTimer::singleShot(0, this, [this] { TryFit(); });
                break;
            case QEvent::Move:
            case QEvent::Resize:
                if (static_cast<QWidget*>(watched)->isVisible()) TryFit();
                break;
            default:
                break;
        }
        return false;
    }

  private:
    static constexpr const char* kName = "phxFitOnceFramed";

    explicit FitOnceFramed(QWidget* form) : QObject(form), form_(form) {
        setObjectName(kName);
        form->installEventFilter(this);
    }

    void TryFit() {
        if (done_ || !form_ || !form_->isVisible() || form_->isMaximized() || form_->isFullScreen())
            return;
        const QMargins frame = KnownFrame(form_);
        if (frame.isNull()) return;  // not framed (yet)
        done_ = true;
        form_->removeEventFilter(this);
        setObjectName({});
        const QRect outer = form_->frameGeometry();
        const QRect fitted = ClampToScreen(outer.topLeft(), outer.size(), AvailableScreenArea(),
                                           MinimumFor(restoreSize_, minimum_, frame));
        if (fitted != outer) {
            if (restoreSize_) form_->resize(fitted.size().shrunkBy(frame));
            form_->move(fitted.topLeft());
        }
        deleteLater();
    }

    QPointer<QWidget> form_;
    bool restoreSize_ = false;
    QSize minimum_ = kMinimumRestoredSize;
    bool done_ = false;
};

int ClampExtent(int extent, int minimum, int available) {
    return std::clamp(extent, std::min(minimum, available), available);
}

}  // namespace

QRect ClampToScreen(QPoint position, QSize size, QRect available, QSize minimum) {
    const int width = ClampExtent(size.width(), minimum.width(), available.width());
    const int height = ClampExtent(size.height(), minimum.height(), available.height());
    const int right = available.x() + available.width();  // first column past the area
    const int bottom = available.y() + available.height();
    int left = position.x();
    int top = position.y();
    if (left < available.x()) left = available.x();
    if (top < available.y()) top = available.y();
    if (left >= right) left = available.x();
    if (top >= bottom) top = available.y();
    // Both are inside the area now, so these sums cannot overflow.
    if (left + width > right) left = std::max(available.x(), right - width);
    if (top + height > bottom) top = std::max(available.y(), bottom - height);
    return {left, top, width, height};
}

void SaveFormPlacement(QWidget* form) {
    platform::IniFile ini(SettingsFilePath());
    const std::string section = SectionOf(form);
    const int state = form->isMaximized() ? 2 : form->isMinimized() ? 1 : 0;
    ini.WriteInteger(section, "WindowState", state);
    ini.WriteInteger(section, "Left", form->x());
    ini.WriteInteger(section, "Top", form->y());
    ini.WriteInteger(section, "Width", form->width());
    ini.WriteInteger(section, "Height", form->height());
}

void RestoreFormPlacement(QWidget* form, bool restoreSize, QSize minimum) {
    platform::IniFile ini(SettingsFilePath());
    const std::string section = SectionOf(form);
    if (ini.ReadInteger(section, "WindowState", 0) == 2) {
        form->setWindowState(form->windowState() | Qt::WindowMaximized);
        return;
    }
    const QPoint position(ini.ReadInteger(section, "Left", 0), ini.ReadInteger(section, "Top", 0));
    QSize client = form->size();
    if (restoreSize)
        client = QSize(ini.ReadInteger(section, "Width", client.width()),
                       ini.ReadInteger(section, "Height", client.height()));
    const QMargins frame = KnownFrame(form);
    const QRect window = ClampToScreen(position, WithFrame(client, frame), AvailableScreenArea(),
                                       MinimumFor(restoreSize, minimum, frame));
    if (restoreSize) form->resize(window.size().shrunkBy(frame));
    form->move(window.topLeft());  // a top-level move places the frame's corner
    if (frame.isNull()) FitOnceFramed::Arm(form, restoreSize, minimum);
}
