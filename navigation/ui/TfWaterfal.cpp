#include "navigation/ui/TfWaterfal.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "navigation/Echogram.h"
#include "navigation/ui/TFNav.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/ui/ColorBox.h"
#include "tools/ui/TNavset.h"

TfWaterfal* fWaterfal = nullptr;

namespace {

constexpr char kSection[] = "ECHOGRAM";
// The smallest echogram a restore or a resize leaves: its yellow depth box
// and a little of the profile.
constexpr QSize kSmallestEchogram{100, 40};

QColor ColorOf(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

}  // namespace

TfWaterfal::TfWaterfal(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("fWaterfal"));
    setWindowTitle(QStringLiteral("Acoustic Waterfall"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // It comes up with the first depth while the surveyor works in the main
    // window, which keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    resize(388, 147);
    Image();
}

void TfWaterfal::setVisible(bool visible) {
    if (visible && !isVisible()) platform::GuardHandler([this] { FormShow(); });
    QWidget::setVisible(visible);
}

void TfWaterfal::FormShow() {
    // 1. Read at every show, as stored; the drawing and the timer bound them.
    const platform::IniFile ini(SettingsFilePath());
    FDataWidth = ini.ReadInteger(kSection, "DataWidth", 50);
    FInterval = ini.ReadInteger(kSection, "Interval", 100);
    // 2. From the first show on, the echogram timer (and the sounder watchdog
    // it carries) runs at the stored interval.
    if (FNav && FNav->tEchogram) FNav->tEchogram->setInterval(EchogramIntervalMs(FInterval));
    // 3. The map's background colour, until the first drawing.
    QPalette palette = this->palette();
    const std::uint32_t colour = Navset ? Navset->fcadColor->Selected() : 0xFFFFFFu;
    palette.setColor(QPalette::Window, ColorOf(colour));
    setPalette(palette);
    Image().fill(ColorOf(colour));
    // 4.
    RestoreFormPlacement(this, true, kSmallestEchogram, OpeningPlace::BottomLeft);
}

bool TfWaterfal::FormCloseQuery() {
    platform::IniFile ini(SettingsFilePath());
    ini.WriteInteger(kSection, "DataWidth", FDataWidth);
    ini.WriteInteger(kSection, "Interval", FInterval);
    SaveFormPlacement(this);
    return true;
}

void TfWaterfal::Dismiss1Click() { hide(); }

void TfWaterfal::closeEvent(QCloseEvent* event) {
    platform::GuardHandler([this] { FormCloseQuery(); });
    event->accept();
}

QImage& TfWaterfal::Image() {
    if (FImage.size() != size()) {
        FImage = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        FImage.fill(palette().color(QPalette::Window));
    }
    return FImage;
}

void TfWaterfal::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Image();
}

void TfWaterfal::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, FImage);
}

void TfWaterfal::FormMouseDown(Qt::MouseButton button, QPoint client, QPoint global) {
    if (button != Qt::LeftButton) return;
    const BorderHit hit = BorderHitAt(client.x(), client.y(), width(), height());
    if (hit == htNone) {
        FDragging = true;
        FDragX = client.x();
        FDragY = client.y();
        return;
    }
    // A press in the band resizes as a frame would: by the window system
    // when it can, else by following the mouse here.
    FResizeHit = hit;
    QWindow* window = windowHandle();
    FManualResize = !(window && window->startSystemResize(EdgesOf(hit)));
    FResizeStart = global;
    FResizeFrom = geometry();
}

void TfWaterfal::FormMouseMove(QPoint client, QPoint global) {
    if (FDragging) {
        move(x() + client.x() - FDragX, y() + client.y() - FDragY);
        return;
    }
    if (FResizeHit != htNone) {
        if (!FManualResize) return;
        const QPoint d = global - FResizeStart;
        const Qt::Edges edges = EdgesOf(FResizeHit);
        QRect r = FResizeFrom;
        const int minW = kSmallestEchogram.width(), minH = kSmallestEchogram.height();
        if (edges & Qt::LeftEdge) r.setLeft(std::min(r.left() + d.x(), r.right() + 1 - minW));
        if (edges & Qt::RightEdge) r.setRight(std::max(r.right() + d.x(), r.left() + minW - 1));
        if (edges & Qt::TopEdge) r.setTop(std::min(r.top() + d.y(), r.bottom() + 1 - minH));
        if (edges & Qt::BottomEdge) r.setBottom(std::max(r.bottom() + d.y(), r.top() + minH - 1));
        setGeometry(r);
        return;
    }
    setCursor(CursorOf(BorderHitAt(client.x(), client.y(), width(), height())));
}

void TfWaterfal::FormMouseUp(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    FResizeHit = htNone;
    FManualResize = false;
    if (!FDragging) return;
    FDragging = false;
    SaveFormPlacement(this);
}

void TfWaterfal::mousePressEvent(QMouseEvent* event) {
    platform::GuardHandler([&] {
        FormMouseDown(event->button(), event->position().toPoint(),
                      event->globalPosition().toPoint());
    });
}

void TfWaterfal::mouseMoveEvent(QMouseEvent* event) {
    platform::GuardHandler(
        [&] { FormMouseMove(event->position().toPoint(), event->globalPosition().toPoint()); });
}

void TfWaterfal::mouseReleaseEvent(QMouseEvent* event) {
    platform::GuardHandler([&] { FormMouseUp(event->button()); });
}
