// The real program with a surveyor's tour of its windows, for smoke_test.sh on
// an X server with or without a window manager. After the start it shows the
// two windows the survey brings up by itself (the message window, the
// echogram) and runs every command of the menus and the realtime bar that
// opens a window; then it closes them all and runs the commands again; then it
// has every window moved as a drag of its title bar moves it (through the
// window manager when there is one), closes them and runs the commands once
// more; then it closes the main window as its close button does.
//
// Once every window kept still for a second after a step, it writes where the
// X server has each window on the screen, one line each:
//   <step> <object name> <frame left> <top> <width> <height> <client width> <height>
// with the steps "open", "reopen", "moved" and "back"; then
//   bars <left> <top> <width> <height>
// the rectangle of the main window's menu bar and tool bars, and
//   message <text>
// for every message the program showed. Exit status: the program's.
//   navigation_window_tour <report file> [--window-manager]
#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/Dialogs.h"
#include "tools/ui/TFMsg.h"

namespace {

// The menu items and tool buttons that open windows, in menu order; About
// last, as it is modal.
const char* const kCommands[] = {"NavigationSettings1", "mRealtimeWindow1", "Echogram1",
                                 "OffsetsandValues1",   "themeSelection1",  "SoundVelocityProfile1",
                                 "PlovanNTRIPClient1",  "Generate1",        "Parameters1",
                                 "VesselShape1",        "LatencyWatchSet1", "TranslationEditor1",
                                 "tbRunline",           "ConnectIcon",      "About1"};

// How far the surveyor drags each window.
constexpr QPoint kDrag(24, 16);

std::FILE* g_Report = nullptr;
bool g_WindowManager = false;
platform::ScriptedDialogs* g_Dialogs = nullptr;

xcb_connection_t* Connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root; }

xcb_atom_t Atom(const char* name) {
    xcb_connection_t* c = Connection();
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// A window as the X server has it: the frame a window manager announces
// (_NET_FRAME_EXTENTS) around the client area.
struct XPlace {
    QRect frame;
    QSize client;
    bool framed = false;
    bool operator==(const XPlace& o) const { return frame == o.frame && client == o.client; }
};

std::optional<XPlace> XPlaceOf(const QWidget* window) {
    xcb_connection_t* c = Connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr), &std::free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return std::nullopt;
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &std::free);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> corner(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, Root(), 0, 0), nullptr),
        &std::free);
    if (!geometry || !corner) return std::nullopt;
    static const xcb_atom_t extentsAtom = Atom("_NET_FRAME_EXTENTS");
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> extents(
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, extentsAtom, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr),
        &std::free);
    uint32_t e[4] = {0, 0, 0, 0};  // left, right, top, bottom
    XPlace place;
    if (extents && xcb_get_property_value_length(extents.get()) == 16) {
        std::memcpy(e, xcb_get_property_value(extents.get()), sizeof e);
        place.framed = true;
    }
    const int left = static_cast<int>(e[0]), right = static_cast<int>(e[1]);
    const int top = static_cast<int>(e[2]), bottom = static_cast<int>(e[3]);
    place.client = QSize(geometry->width, geometry->height);
    place.frame = QRect(corner->dst_x - left, corner->dst_y - top, geometry->width + left + right,
                        geometry->height + top + bottom);
    return place;
}

// The windows on the screen, by object name.
std::map<std::string, QWidget*> Shown() {
    std::map<std::string, QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->objectName().isEmpty())
            shown[window->objectName().toStdString()] = window;
    return shown;
}

bool Frameless(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// Every shown window as the X server has it; nothing while one is not mapped,
// or not framed yet under a window manager.
std::optional<std::map<std::string, XPlace>> Snapshot() {
    std::map<std::string, XPlace> places;
    for (const auto& [name, window] : Shown()) {
        const std::optional<XPlace> place = XPlaceOf(window);
        if (!place || (g_WindowManager && !Frameless(window) && !place->framed))
            return std::nullopt;
        places[name] = *place;
    }
    return places;
}

QRect BarsOf(const TFNav& nav) {
    QRect bars;
    const auto add = [&bars](const QWidget* bar) {
        if (bar && bar->isVisible()) bars |= QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    };
    add(nav.MainMenu1);
    for (const QToolBar* bar : {nav.tRealtime, nav.tDraw, nav.tShape}) add(bar);
    return bars;
}

void Report(const char* step) {
    for (const auto& [name, window] : Shown()) {
        if (const std::optional<XPlace> p = XPlaceOf(window))
            std::fprintf(g_Report, "%s %s %d %d %d %d %d %d\n", step, name.c_str(), p->frame.x(),
                         p->frame.y(), p->frame.width(), p->frame.height(), p->client.width(),
                         p->client.height());
    }
    const QRect bars = BarsOf(*FNav);
    std::fprintf(g_Report, "bars %d %d %d %d\n", bars.x(), bars.y(), bars.width(), bars.height());
    std::fflush(g_Report);
}

// What the survey brings up by itself, kept up while the tour looks.
void SurveyPopUps() {
    FMsg->AddMessage(QStringLiteral("GPS is idle!"), true);
    FMsg->Timer1->stop();
    FNav->tEchogram->stop();
    fWaterfal->show();
}

void RunCommands() {
    SurveyPopUps();
    for (const char* name : kCommands) {
        if (auto* action = FNav->findChild<QAction*>(name)) {
            // About runs its own message loop, in which the tour goes on.
            if (std::string(name) == "About1")
                QTimer::singleShot(0, action, &QAction::trigger);
            else
                action->trigger();
        } else if (auto* button = FNav->findChild<QToolButton*>(name)) {
            button->click();
        } else {
            std::fprintf(g_Report, "missing %s\n", name);
        }
    }
}

void CloseAll() {
    for (const auto& [name, window] : Shown())
        if (window != FNav) window->close();
}

// A drag of the title bar: the window manager moves the frame; without one
// the window is moved as the X server's client.
void Drag(QWidget* window, QPoint by) {
    const std::optional<XPlace> place = XPlaceOf(window);
    if (!place) return;
    const QPoint to = place->frame.topLeft() + by;
    xcb_connection_t* c = Connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    if (g_WindowManager) {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = Atom("_NET_MOVERESIZE_WINDOW");
        // North-west gravity, x and y given, from a pager (the surveyor).
        event.data.data32[0] = XCB_GRAVITY_NORTH_WEST | (1u << 8) | (1u << 9) | (2u << 12);
        event.data.data32[1] = static_cast<uint32_t>(to.x());
        event.data.data32[2] = static_cast<uint32_t>(to.y());
        xcb_send_event(c, 0, Root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        const int32_t values[] = {to.x(), to.y()};
        xcb_configure_window(c, id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
    }
    xcb_flush(c);
}

void DragAll() {
    for (const auto& [name, window] : Shown())
        if (window != FNav) Drag(window, kDrag);
}

void Messages() {
    for (const QString& text : g_Dialogs->messages)
        std::fprintf(g_Report, "message %s\n", qPrintable(text));
    std::fflush(g_Report);
}

// The tour's steps, each once every window kept still for a second after the
// one before (a minute at the most: then "unsettled" goes into the report).
class Tour : public QObject {
  public:
    explicit Tour(QObject* parent) : QObject(parent) {
        FSteps = {
            [] { RunCommands(); },
            [] {
                Report("open");
                CloseAll();
            },
            [] { RunCommands(); },
            [] {
                Report("reopen");
                DragAll();
            },
            [] {
                Report("moved");
                CloseAll();
            },
            [] { RunCommands(); },
            [] {
                Report("back");
                Messages();
                CloseAll();
            },
            [] { FNav->close(); },
        };
        connect(&FPoll, &QTimer::timeout, this, [this] { Poll(); });
        FPoll.start(100);
    }

  private:
    void Poll() {
        const auto now = Snapshot();
        FStill = now && now == FLast ? FStill + 1 : 0;
        FLast = now;
        if (FStill < 10 && ++FPolls <= 600) return;
        if (FStill < 10) std::fprintf(g_Report, "unsettled\n");
        FStill = FPolls = 0;
        FLast.reset();
        if (FNext + 1 >= FSteps.size()) FPoll.stop();
        if (FNext < FSteps.size()) FSteps[FNext++]();
    }

    std::vector<std::function<void()>> FSteps;
    size_t FNext = 0;
    QTimer FPoll;
    std::optional<std::map<std::string, XPlace>> FLast;
    int FStill = 0, FPolls = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: navigation_window_tour <report> [--window-manager]\n");
        return 2;
    }
    g_Report = std::fopen(argv[1], "w");
    if (!g_Report) return 2;
    g_WindowManager = argc > 2 && std::string(argv[2]) == "--window-manager";
    const StartupSettings settings = ReadStartupSettings();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (!Connection()) {
        std::fprintf(stderr, "not on an X server\n");
        return 2;
    }
    auto dialogs = std::make_unique<platform::ScriptedDialogs>();
    g_Dialogs = dialogs.get();
    platform::SetDialogs(std::move(dialogs));
    // The battery window stays up for the tour whatever the sounder's type.
    QTimer::singleShot(0, [&app] {
        if (fJoystick) fJoystick->Timer1->stop();
        new Tour(&app);
    });
    return RunProgram(app, settings);
}
