// A picture of every monitor, taken on the GUI thread for the screenshots.
#pragma once

#include <QImage>
#include <QRect>
#include <vector>

// One monitor's picture.
struct ScreenGrab {
    QRect geometry;  // QScreen::geometry(), virtual-screen pixels
    QImage image;    // null when the platform gave no picture (no X11)
};

// Every monitor's full area now, in QGuiApplication::screens() order.
std::vector<ScreenGrab> GrabScreens();
