// The widget shell of the map canvas and its view operations.
#include "canvas/PlovanCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "canvas/DxfReader.h"
#include "canvas/DxfWriter.h"
#include "canvas/XyzImport.h"
#include "platform/HandlerGuard.h"

TPlovanCanvas::TPlovanCanvas(QWidget* parent) : QWidget(parent) {
    resize(400, 300);
    // A click gives the canvas the keys (Escape ends a drawing); hovering
    // reports the world position.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Every paint covers the whole client area with the back buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPlovanCanvas::~TPlovanCanvas() = default;

// ---------------------------------------------------------------------------
// Drawing files

bool TPlovanCanvas::LoadDXF(const QString& fileName) {
    return LoadDxfFile(*this, fileName).imported;
}

bool TPlovanCanvas::ExportDXF(const QString& fileName) const {
    return ::ExportDXF(*this, fileName);
}

bool TPlovanCanvas::ImportXYZ(const QString& fileName, int layerId, double zmin, double zmax) {
    return ::ImportXYZ(*this, fileName, layerId, zmin, zmax);
}

// ---------------------------------------------------------------------------
// Hooks of the model

void TPlovanCanvas::Invalidate() {
    TCanvasModel::Invalidate();
    ScheduleUpdate();
}

void TPlovanCanvas::ScheduleUpdate() {
    // One pending paint covers every change until it runs: asking Qt again
    // for each of a million shapes a file adds costs more than reading them.
    // A hidden canvas is painted whole when it is shown.
    if (FUpdatePending || !isVisible()) return;
    FUpdatePending = true;
    update();
}

void TPlovanCanvas::Repaint() {
    TCanvasModel::Repaint();
    if (FRepaintsDeferred > 0)
        ScheduleUpdate();
    else
        repaint();
}

void TPlovanCanvas::RestoreDefaultCursor() {
    TCanvasModel::RestoreDefaultCursor();
    unsetCursor();
}

// ---------------------------------------------------------------------------
// View

void TPlovanCanvas::ViewChanged() {
    TCanvasModel::ViewChanged();
    ScheduleUpdate();
}

// ---------------------------------------------------------------------------
// Settings of the drawing

void TPlovanCanvas::SetBackgroundColor(TColor colour) {
    if (colour == FBackgroundColor) return;
    FBackgroundColor = colour;
    FNeedsRedraw = true;
    Invalidate();
    Repaint();
}

void TPlovanCanvas::SetGridAutoScale(bool on) {
    FGridAutoScale = on ? 1 : 0;
    ViewChanged();
}

// ---------------------------------------------------------------------------
// Widget events

void TPlovanCanvas::paintEvent(QPaintEvent*) {
    FUpdatePending = false;
    platform::GuardHandler([this] {
        const QImage frame = renderFrame();
        if (frame.isNull()) return;
        QPainter painter(this);
        painter.drawImage(0, 0, frame);
    });
}

void TPlovanCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    platform::GuardHandler([this] { Resize(); });
}

void TPlovanCanvas::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();  // a sideways scroll is not a zoom
        return;
    }
    const QPoint at = event->position().toPoint();
    platform::GuardHandler([&] { WheelAt(at.x(), at.y(), delta); });
    event->accept();
}
