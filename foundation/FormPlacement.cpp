#include "foundation/FormPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"

namespace {

std::string SectionOf(const QWidget* form) { return form->objectName().toStdString(); }

QRect AvailableScreenArea() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return {0, 0, 1920, 1080};
}

struct OpeningAreaSource {
    std::function<QRect()> area;
    QPointer<const QWidget> owner;
};

OpeningAreaSource& Opening() {
    static OpeningAreaSource source;
    return source;
}

// The main window's map area for `form`; empty while there is none, and for
// the main window itself.
QRect MainMapArea(const QWidget* form) {
    const OpeningAreaSource& source = Opening();
    if (!source.area || !source.owner || source.owner == form) return {};
    return source.area();
}

// Where `form`, of outer size `outer`, opens at `where`: in the main window's
// map area, or without one at the edges of the screen.
QRect OpenedRect(const QWidget* form, QSize outer, OpeningPlace where) {
    const QRect screen = AvailableScreenArea();
    const QRect area = MainMapArea(form);
    return area.isEmpty() ? OpeningRect(outer, where, screen, screen, 0)
                          : OpeningRect(outer, where, area, screen);
}

// The frame around the client area as far as it is known: none before the
// window is first on the screen.
QMargins KnownFrame(const QWidget* form) {
    const QRect frame = form->frameGeometry();
    const QRect client = form->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

bool Frameless(const QWidget* form) {
    return form->windowFlags().testFlag(Qt::FramelessWindowHint);
}

bool Framed(const QWidget* form) { return Frameless(form) || !KnownFrame(form).isNull(); }

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

// The offset of the client's corner from the frame's corner that the last
// framed window had: the best guess for a window on its way to the screen
// whose own frame is not known yet.
QPoint g_FrameOffset;

// Before its first show a window's size is settled as the show would settle
// it (its layout run, its size hint taken), so that the show does not resize
// it once more: Qt takes the position of a window that the show resizes as
// its client's corner rather than its frame's.
void SettleSize(QWidget* form) {
    form->ensurePolished();
    if (QLayout* layout = form->layout()) layout->activate();
    if (!form->testAttribute(Qt::WA_Resized)) {
        form->adjustSize();
        form->setAttribute(Qt::WA_Resized, false);  // as the show leaves it
    }
}

// Puts the corner of the window's frame at `corner`.
void MoveFrameTo(QWidget* form, QPoint corner) {
    if (Framed(form)) {
        form->move(corner);
    } else if (!form->testAttribute(Qt::WA_WState_Created)) {
        SettleSize(form);
        form->move(corner);  // taken as the frame's corner when the window appears
    } else {
        // Made for the screen but not framed yet: a move places the client.
        form->move(corner + g_FrameOffset);
    }
}

// What the last placement asked for, so that it can be done again once the
// window manager has framed the window.
struct Request {
    QPoint corner;                        // of the frame
    bool sized = false;                   // the placement set the client size too
    QSize minimum;                        // the client's minimum of a stored size
    std::optional<OpeningPlace> opening;  // placed in the opening area
};

// Kept by each placed window: its last placement, done again once its frame
// is known (a window manager frames a window only once it is on the screen),
// and where it was when it was last hidden.
class PlacementKeeper : public QObject {
  public:
    static PlacementKeeper* Find(QWidget* form) {
        return static_cast<PlacementKeeper*>(
            form->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
    }
    static PlacementKeeper& Of(QWidget* form) {
        PlacementKeeper* keeper = Find(form);
        return keeper ? *keeper : *new PlacementKeeper(form);
    }

    std::optional<QPoint> HiddenAt() const { return FHiddenAt; }

    void Place(const Request& request) {
        FRequest = request;
        MoveFrameTo(FForm, request.corner);
        FMovedTo = FForm->pos();
        FGiven = request.corner;
        FPending = !Framed(FForm);
    }

    // The opening area moved: an opened window that nobody moved goes along.
    void FollowOpeningArea() {
        if (!FForm || !FRequest.opening || FPending || !FForm->isVisible()) return;
        const QRect outer = FForm->frameGeometry();
        if (outer.topLeft() != FGiven) return;
        const QRect opened = OpenedRect(FForm, outer.size(), *FRequest.opening);
        FGiven = opened.topLeft();
        if (FGiven != outer.topLeft()) FForm->move(FGiven);
    }

    static void FollowAll() {
        for (const QPointer<PlacementKeeper>& keeper : Registry())
            if (keeper) keeper->FollowOpeningArea();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        (void)watched;
        switch (event->type()) {
            case QEvent::Show:
                // The frame of some platforms is known only once the show is
                // through; the place of the last hide counts until then.
                QTimer::singleShot(0, this, [this] {
                    if (FForm && FForm->isVisible()) FHiddenAt.reset();
                    FitOnceFramed();
                });
                break;
            case QEvent::Move:
            case QEvent::Resize:
                if (FForm && FForm->isVisible()) FitOnceFramed();
                break;
            case QEvent::Hide:
                if (!event->spontaneous() && FForm) {
                    // Not framed yet and where it was put, its place is the
                    // one asked for (the corner Qt has may be the client's);
                    // and one opened by the rule opens by the rule again, in
                    // the area of the time.
                    const bool unmoved = FPending && FForm->pos() == FMovedTo;
                    if (!unmoved)
                        FHiddenAt = FForm->frameGeometry().topLeft();
                    else if (FRequest.opening)
                        FHiddenAt.reset();
                    else
                        FHiddenAt = FRequest.corner;
                    FPending = false;
                    FRequest.opening.reset();
                }
                break;
            default:
                break;
        }
        return false;
    }

  private:
    static constexpr const char* kName = "phxPlacementKeeper";

    explicit PlacementKeeper(QWidget* form) : QObject(form), FForm(form) {
        setObjectName(kName);
        form->installEventFilter(this);
        std::vector<QPointer<PlacementKeeper>>& registry = Registry();
        registry.erase(std::remove(registry.begin(), registry.end(), nullptr), registry.end());
        registry.emplace_back(this);
    }

    static std::vector<QPointer<PlacementKeeper>>& Registry() {
        static std::vector<QPointer<PlacementKeeper>> registry;
        return registry;
    }

    // The placement once more with the frame, when the window was placed
    // before a window manager framed it: the frame may run over the screen's
    // edge, the window may have landed by its client's corner. A window where
    // it belongs is left exactly as it is, and a window that never gets a
    // frame is never touched again.
    void FitOnceFramed() {
        if (!FPending || !FForm || !FForm->isVisible() || FForm->isMaximized() ||
            FForm->isFullScreen() || !Framed(FForm))
            return;
        FPending = false;
        const QMargins frame = KnownFrame(FForm);
        if (!Frameless(FForm)) g_FrameOffset = {frame.left(), frame.top()};
        const QRect outer = FForm->frameGeometry();
        const QRect fitted =
            FRequest.opening
                ? OpenedRect(FForm, outer.size(), *FRequest.opening)
                : ClampToScreen(FRequest.corner, outer.size(), AvailableScreenArea(),
                                FRequest.sized ? FRequest.minimum.grownBy(frame) : QSize(0, 0));
        FGiven = fitted.topLeft();
        if (fitted == outer) return;
        if (fitted.size() != outer.size()) FForm->resize(fitted.size().shrunkBy(frame));
        FForm->move(fitted.topLeft());
    }

    QPointer<QWidget> FForm;
    Request FRequest;
    QPoint FGiven;                    // the frame corner last given
    QPoint FMovedTo;                  // the window's position right after that
    bool FPending = false;            // placed, but not framed yet
    std::optional<QPoint> FHiddenAt;  // the frame corner at the last hide
};

// A window hidden in this run goes back where it was, and a window placed
// before and on the screen since stays where it is: true when either held.
// This runs before a show or from it (a window is visible during its show
// event), so the place of the last hide counts until the show is through.
bool KeptFromThisRun(QWidget* form) {
    PlacementKeeper* keeper = PlacementKeeper::Find(form);
    if (!keeper) return false;
    if (const std::optional<QPoint> hiddenAt = keeper->HiddenAt()) {
        keeper->Place({*hiddenAt, false, {0, 0}, std::nullopt});
        return true;
    }
    return form->isVisible();
}

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

QRect OpeningRect(QSize size, OpeningPlace where, QRect area, QRect screen, int inset) {
    const int w = std::max(0, size.width());
    const int h = std::max(0, size.height());
    QPoint corner;
    switch (where) {
        case OpeningPlace::TopLeft:
            corner = area.topLeft() + QPoint(inset, inset);
            break;
        case OpeningPlace::TopRight:
            corner = {area.x() + area.width() - inset - w, area.y() + inset};
            break;
        case OpeningPlace::BottomLeft:
            corner = {area.x() + inset, area.y() + area.height() - inset - h};
            break;
        case OpeningPlace::Centre:
            corner = {area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2};
            break;
    }
    // Inside the area, then on the screen, as far as it fits: the top and
    // left edges first.
    const auto fit = [](int start, int extent, int from, int length) {
        return std::max(from, std::min(start, from + length - extent));
    };
    corner.setX(fit(corner.x(), w, area.x(), area.width()));
    corner.setY(fit(corner.y(), h, area.y(), area.height()));
    corner.setX(fit(corner.x(), w, screen.x(), screen.width()));
    const int top = fit(corner.y(), h, screen.y(), screen.height());
    // Not above the area, unless the area's top is off the screen.
    const bool areaTopOnScreen = area.y() >= screen.y() && area.y() < screen.y() + screen.height();
    corner.setY(areaTopOnScreen ? std::max(top, area.y()) : top);
    return {corner, QSize(w, h)};
}

void SaveFormPlacement(QWidget* form) {
    // A window neither placed nor on the screen in this run has no place of
    // its own: Qt has it at the screen's corner, over the main window's bars.
    // What the file holds for it stays.
    if (!PlacementKeeper::Find(form) && !form->testAttribute(Qt::WA_WState_Created)) return;
    platform::IniFile ini(SettingsFilePath());
    platform::IniFile::Batch batch(ini);
    const std::string section = SectionOf(form);
    const int state = form->isMaximized() ? 2 : form->isMinimized() ? 1 : 0;
    ini.WriteInteger(section, "WindowState", state);
    ini.WriteInteger(section, "Left", form->x());
    ini.WriteInteger(section, "Top", form->y());
    ini.WriteInteger(section, "Width", form->width());
    ini.WriteInteger(section, "Height", form->height());
}

void RestoreFormPlacement(QWidget* form, bool restoreSize, QSize minimum, OpeningPlace opening) {
    if (KeptFromThisRun(form)) return;
    const platform::IniFile ini(SettingsFilePath());
    const std::string section = SectionOf(form);
    if (ini.ReadInteger(section, "WindowState", 0) == 2) {
        form->setWindowState(form->windowState() | Qt::WindowMaximized);
        return;
    }
    if (!ini.ValueExists(section, "Left") && !ini.ValueExists(section, "Top")) {
        PlaceWindow(form, opening);
        return;
    }
    const QPoint position(ini.ReadInteger(section, "Left", 0), ini.ReadInteger(section, "Top", 0));
    QSize client = form->size();
    // Only a stored extent is brought to the minimum; the window's own stays.
    QSize storedMinimum(0, 0);
    if (restoreSize) {
        if (ini.ValueExists(section, "Width")) {
            client.setWidth(ini.ReadInteger(section, "Width", client.width()));
            storedMinimum.setWidth(minimum.width());
        }
        if (ini.ValueExists(section, "Height")) {
            client.setHeight(ini.ReadInteger(section, "Height", client.height()));
            storedMinimum.setHeight(minimum.height());
        }
    }
    const QMargins frame = KnownFrame(form);
    const QRect window = ClampToScreen(position, WithFrame(client, frame), AvailableScreenArea(),
                                       restoreSize ? storedMinimum.grownBy(frame) : QSize(0, 0));
    if (restoreSize) form->resize(window.size().shrunkBy(frame));
    PlacementKeeper::Of(form).Place({window.topLeft(), restoreSize, storedMinimum, std::nullopt});
}

void PlaceWindow(QWidget* form, OpeningPlace where) {
    if (KeptFromThisRun(form)) return;
    // The size is settled first, so that the window opens with the size it
    // shows with; the frame comes on top of it once it is known.
    if (!form->testAttribute(Qt::WA_WState_Created)) SettleSize(form);
    const QRect opened = OpenedRect(form, WithFrame(form->size(), KnownFrame(form)), where);
    // Without a main window on the screen there is no map area to go along with.
    std::optional<OpeningPlace> follows;
    if (!MainMapArea(form).isEmpty()) follows = where;
    PlacementKeeper::Of(form).Place({opened.topLeft(), false, {0, 0}, follows});
}

void SetOpeningArea(const QWidget* owner, std::function<QRect()> area) {
    Opening() = {std::move(area), owner};
}

void OpeningAreaChanged() { PlacementKeeper::FollowAll(); }
