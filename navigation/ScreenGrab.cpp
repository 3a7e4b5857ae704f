#include "navigation/ScreenGrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

std::vector<ScreenGrab> GrabScreens() {
    std::vector<ScreenGrab> grabs;
    for (QScreen* screen : QGuiApplication::screens()) {
        // Window 0 is the whole screen; on X11 its area is taken relative to
        // the screen, so each monitor gives its own picture.
        const QPixmap pixmap = screen->grabWindow(0);
        grabs.push_back({screen->geometry(), pixmap.toImage()});
    }
    return grabs;
}
