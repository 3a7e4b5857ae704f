// Runs one screenshot cycle of the real main window on whatever X server
// DISPLAY names, with a window of a known colour filling every monitor.
// Prints one line per monitor, in the order the program sees them:
//   screen <left> <top> <width> <height> <red> <green> <blue>
// then "folder <path>" and any message the program showed. HOME and APPDATA
// come from the caller (a temporary folder). Exit status 0 when the cycle ran.
#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <vector>

#include "foundation/DayPaths.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"

namespace {

const QColor kColours[] = {QColor(220, 20, 60), QColor(30, 160, 40), QColor(20, 60, 220),
                           QColor(240, 200, 0), QColor(150, 0, 150), QColor(0, 190, 190)};

// True once every monitor's centre shows its window's colour.
bool AllPainted(const std::vector<QScreen*>& screens) {
    for (size_t i = 0; i < screens.size(); ++i) {
        const QImage image = screens[i]->grabWindow(0).toImage();
        if (image.isNull()) return false;
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        if (centre.rgb() != kColours[i % 6].rgb()) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    InitDayPaths();

    const QList<QScreen*> list = QGuiApplication::screens();
    const std::vector<QScreen*> screens(list.begin(), list.end());
    std::vector<std::unique_ptr<QWidget>> windows;
    for (size_t i = 0; i < screens.size(); ++i) {
        auto window =
            std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        window->setScreen(screens[i]);
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, kColours[i % 6]);
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        window->setGeometry(screens[i]->geometry());
        window->show();
        windows.push_back(std::move(window));
    }
    // Generous: a loaded machine may take its time to map and paint.
    QElapsedTimer waited;
    waited.start();
    while (!AllPainted(screens)) {
        if (waited.elapsed() > 60000) {
            std::fprintf(stderr, "the coloured windows did not appear within 60 s\n");
            return 2;
        }
        app.processEvents();
        QThread::msleep(50);
    }

    TFNav nav;
    nav.tScreenshotTimer();
    if (!nav.WaitForScreenshots(120000)) {
        std::fprintf(stderr, "the screenshots were not written within 120 s\n");
        return 3;
    }
    app.processEvents();  // a write error reaches the GUI thread as a message
    for (size_t i = 0; i < screens.size(); ++i) {
        const QRect g = screens[i]->geometry();
        const QColor c = kColours[i % 6];
        std::printf("screen %d %d %d %d %d %d %d\n", g.left(), g.top(), g.width(), g.height(),
                    c.red(), c.green(), c.blue());
    }
    std::printf("folder %s\n", (g_DayDir + "PNG/").c_str());
    for (const QString& message :
         static_cast<platform::ScriptedDialogs&>(platform::dialogs()).messages)
        std::printf("message %s\n", message.toUtf8().constData());
    return 0;
}
