// The mouse and key commands of the canvas: the state machine that turns
// presses, moves and releases on client pixels into drawing commands, click
// selection, zoom window, dynamic zoom, pan and the measure line, and raises
// the canvas events in world coordinates. The widget only maps Qt's events
// onto these calls.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "canvas/CanvasModel.h"

namespace {

using namespace CanvasInput;

constexpr double kDegreesPerRadian = 180.0 / 3.141592653589793;

}  // namespace

// ---------------------------------------------------------------------------
// Mouse down

void TCanvasModel::EndCommandOfChangedTool() {
    if (FCommand == FCommandInProgress || !(FDrawing || FHasStartPoint || FTempShape)) return;
    FLineChainPoints.clear();
    FEndedShapeId = -1;
    CancelDrawing();
}

void TCanvasModel::MouseDown(int button, int shift, int px, int py) {
    FMouseX = px;
    FMouseY = py;
    if (OnMouseDown)
        OnMouseDown(this, static_cast<short>(button), static_cast<short>(shift), px, py);
    EndCommandOfChangedTool();
    double x = 0, y = 0;
    ScreenToWorld(px, py, x, y);

    // 1. A right click ends the command in progress; it is no world click.
    if (button == ButtonRight && (FDrawing || FHasStartPoint)) {
        FEndedShapeId = -1;
        if (FTempShape) {
            std::unique_ptr<TPlovanPolyline> shape(FTempShape);
            FTempShape = nullptr;
            if (shape->Count() >= 2) {
                shape->UpdateBounds();
                FEndedShapeId = AppendShape(std::move(shape));
                DrawingChanged();
            }
        }
        FDrawing = 0;
        FHasStartPoint = 0;
        FSkipClick = 1;
        if (OnDrawEnd) OnDrawEnd(this, static_cast<short>(FCommand), x, y);
        if (!FKeepCommand) FCommand = 0;
        RestoreDefaultCursor();
        Invalidate();
        FLastDownX = x;
        FLastDownY = y;
        return;
    }

    // 2.
    if (OnWorldMouseDown)
        OnWorldMouseDown(this, static_cast<short>(button), static_cast<short>(shift),
                         static_cast<short>(FCommand), x, y);
    if (button == ButtonRight) {
        BeginMeasure(x, y);
        return;  // the last mouse-down point stays
    }
    if (button == ButtonMiddle) {
        FPanning = 1;
        FAnchorX = px;
        FAnchorY = py;
        FCurrentX = x;
        FCurrentY = y;
        SetCommandCursor(TCanvasCursor::SizeAll);
    } else if (button == ButtonLeft) {
        if (FSkipClick) {
            FSkipClick = 0;
        } else {
            // 3. Click selection.
            if (!FDrawing && !FHasStartPoint && (FCommand == 0 || FCommand == -1)) {
                const int id = ShapeAtPoint(x, y);
                if (!(shift & (ShiftShift | ShiftCtrl))) FSelect.Clear();
                if (id >= 0) {
                    FSelect.Select(id, true);
                    if (OnShapeNumberSelected)
                        OnShapeNumberSelected(this, static_cast<short>(GetShapeType(id)), id);
                }
                DrawingChanged();
            }
            // 4.
            LeftClickCommand(px, py, x, y);
        }
    }
    // 5.
    FLastDownX = x;
    FLastDownY = y;
}

void TCanvasModel::StartCommand(double x, double y) {
    // A new command: nothing of the last one is handed on any more.
    FEndedShapeId = -1;
    FLineChainPoints.clear();
    FCommandInProgress = FCommand;
    FDrawing = 1;
    FHasStartPoint = 1;
    FStartX = FCurrentX = x;
    FStartY = FCurrentY = y;
    SetCommandCursor(TCanvasCursor::Cross);
    if (OnDrawBegin) OnDrawBegin(this, static_cast<short>(FCommand), x, y);
}

void TCanvasModel::ClearStartPoint() {
    FHasStartPoint = 0;
    FStartX = FStartY = FCurrentX = FCurrentY = 0;
}

void TCanvasModel::BeginVertexShape(double x, double y) {
    delete FTempShape;
    const int type = FCommand;
    FTempShape = new TPlovanPolyline(FCurrentLayer, type == 6 ? 1 : 0);
    FTempShape->FShapeType = type;
    FTempShape->FId = TakeNextShapeId();
    if (const TCanvasLayer* layer = FindLayerById(FCurrentLayer)) {
        FTempShape->FColor = layer->PenColor;
        FTempShape->FWidth = layer->PenWidth;
        if (type == 6) {
            FTempShape->FFillColor = layer->FillColor;
            FTempShape->FFillStyle = layer->FillStyle;
        }
    }
    FTempShape->AddPoint(x, y);
    StartCommand(x, y);
}

void TCanvasModel::LeftClickCommand(int px, int py, double x, double y) {
    switch (FCommand) {
        case 1:   // rectangle
        case 4:   // ellipse
        case 19:  // circle
            if (!FHasStartPoint) {
                StartCommand(x, y);
                return;
            }
            if (FCommand == 1 && (x != FStartX || y != FStartY))
                AddRectangle(FStartX, FStartY, x, y, FCurrentLayer);
            else if (FCommand == 4 && x != FStartX && y != FStartY)
                AddEllipse(FStartX, FStartY, x, y, FCurrentLayer);
            else if (FCommand == 19) {
                const double radius = std::hypot(x - FStartX, y - FStartY);
                if (radius != 0) AddCircle(FStartX, FStartY, radius, FCurrentLayer);
            }
            ClearStartPoint();  // FDrawing stays: the next click starts the next one
            return;
        case 3:  // line chain
            if (!FHasStartPoint) {
                StartCommand(x, y);
                FLineChainPoints.push_back(TPointD{x, y});
                return;
            }
            if (x != FStartX || y != FStartY) {
                AddLine(FStartX, FStartY, x, y, FCurrentLayer);
                FLineChainPoints.push_back(TPointD{x, y});
                FStartX = x;
                FStartY = y;
            }
            return;
        case 5:
        case 6:
        case 8:  // vertex shapes
            if (!FHasStartPoint) {
                BeginVertexShape(x, y);
                return;
            }
            // The start point is the last vertex as clicked.
            if (FTempShape) {
                if (x != FStartX || y != FStartY) {
                    FTempShape->AddPoint(x, y);
                    FStartX = x;
                    FStartY = y;
                    DrawingChanged();
                }
            }
            return;
        case 10:  // three-point arc
            if (!FHasStartPoint || !FTempShape) {
                BeginVertexShape(x, y);
                return;
            }
            FTempShape->AddPoint(x, y);
            if (FTempShape->Count() < 3) {
                FStartX = x;
                FStartY = y;
                Invalidate();
                return;
            }
            {
                std::unique_ptr<TPlovanPolyline> arc(FTempShape);
                FTempShape = nullptr;
                arc->UpdateBounds();
                AppendShape(std::move(arc));
            }
            ClearStartPoint();
            DrawingChanged();
            return;
        case 17:  // point
            FEndedShapeId = -1;
            FLineChainPoints.clear();
            AddPoint(x, y, FCurrentLayer);
            if (OnDrawEnd) OnDrawEnd(this, 17, x, y);
            if (!FKeepCommand) FCommand = 0;
            Invalidate();
            return;
        case -4:  // dynamic zoom
            FDynamicZooming = 1;
            FAnchorX = px;
            FAnchorY = py;
            return;
        case -3:  // zoom window
            if (!FHasStartPoint) {
                FCommandInProgress = FCommand;
                FDrawing = 1;
                FHasStartPoint = 1;
                FStartX = FCurrentX = x;
                FStartY = FCurrentY = y;
                SetCommandCursor(TCanvasCursor::Cross);
                return;
            }
            ZoomToWindow(x, y);
            FDrawing = 0;
            FHasStartPoint = 0;
            RestoreDefaultCursor();
            if (!FKeepCommand) FCommand = 0;
            Invalidate();
            return;
        default:  // select, text and every other mode: the event was all
            return;
    }
}

void TCanvasModel::ZoomToWindow(double x, double y) {
    const double w = std::fabs(x - FStartX), h = std::fabs(y - FStartY);
    if (!(w > 0.001 && h > 0.001)) return;
    const int cw = ClientWidth() > 0 ? ClientWidth() : 1;
    const int ch = ClientHeight() > 0 ? ClientHeight() : 1;
    const double a = static_cast<double>(cw) / ch;
    const double cx = (x + FStartX) / 2, cy = (y + FStartY) / 2;
    double halfW = 0, halfH = 0;
    if (w / h > a) {
        halfW = w / 2;
        halfH = w / (2 * a);
    } else {
        halfW = a * h / 2;
        halfH = h / 2;
    }
    SetView(cx - halfW, cy + halfH, cx + halfW, cy - halfH);
    DrawingChanged();
}

// ---------------------------------------------------------------------------
// Mouse move and up

void TCanvasModel::MouseMove(int shift, int px, int py) {
    FMouseX = px;
    FMouseY = py;
    if (OnMouseMove) OnMouseMove(this, static_cast<short>(shift), px, py);
    EndCommandOfChangedTool();
    double x = 0, y = 0;
    ScreenToWorld(px, py, x, y);

    if (OnWorldMouseMove) {
        const double dx = x - FLastDownX, dy = y - FLastDownY;
        const double magnitude = std::hypot(dx, dy);
        const double angle = dx == 0 && dy == 0 ? 0.0 : std::atan2(dy, dx) * kDegreesPerRadian;
        OnWorldMouseMove(this, static_cast<short>(shift), x, y, magnitude, angle);
    }

    if (FPanning) {
        if (std::abs(px - FAnchorX) > 2 || std::abs(py - FAnchorY) > 2) {
            double ax = 0, ay = 0;
            ScreenToWorld(FAnchorX, FAnchorY, ax, ay);
            Pan(ax - x, ay - y);  // the drawing follows the mouse
            FAnchorX = px;
            FAnchorY = py;
        }
    } else if (FDynamicZooming) {
        const int d = FAnchorY - py;
        if (std::abs(d) > 3) {
            // 1 % per pixel; upwards zooms in.
            ZoomAt(d * 0.01, (FWorldLeft + FWorldRight) / 2, (FWorldTop + FWorldBottom) / 2);
            FAnchorX = px;
            FAnchorY = py;
        }
    } else if (FDrawing) {
        FCurrentX = x;
        FCurrentY = y;
        Invalidate();  // the rubber band follows
    } else if (FMeasuring) {
        const double dx = x - FMeasureStartX, dy = y - FMeasureStartY;
        double bearing = 0;
        if (dx != 0 || dy != 0) {
            bearing = std::atan2(dx, dy) * kDegreesPerRadian;  // clockwise from north
            if (bearing < 0) bearing += 360;
        }
        UpdateMeasure(x, y, std::hypot(dx, dy), bearing);
    }
}

void TCanvasModel::MouseUp(int button, int shift, int px, int py) {
    FMouseX = px;
    FMouseY = py;
    if (OnMouseUp) OnMouseUp(this, static_cast<short>(button), static_cast<short>(shift), px, py);
    if (button == ButtonRight) {
        if (FMeasuring) EndMeasure();
    } else if (button == ButtonMiddle || button == ButtonLeft) {
        if (FPanning) {
            FPanning = 0;
            RestoreDefaultCursor();
        } else if (button == ButtonLeft && FDynamicZooming) {
            FDynamicZooming = 0;
        }
    }
}

// ---------------------------------------------------------------------------
// Keys and double clicks

void TCanvasModel::KeyDown(int key, int shift) {
    if (OnKeyDown) OnKeyDown(this, key, static_cast<short>(shift));
    EndCommandOfChangedTool();
    if (key == KeyDelete && FAllowKeyDelete) {
        DeleteSelection();
    } else if (key == KeyEscape && (FDrawing || FHasStartPoint)) {
        FLineChainPoints.clear();
        FEndedShapeId = -1;
        CancelDrawing();
    }
}

void TCanvasModel::KeyUp(int key, int shift) {
    if (OnKeyUp) OnKeyUp(this, key, static_cast<short>(shift));
}

void TCanvasModel::Click() {
    if (OnClick) OnClick(this);
}

void TCanvasModel::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

std::vector<TPointD> TCanvasModel::GetDrawnPolyline() const {
    std::vector<TPointD> points;
    if (FEndedShapeId > 0) {
        if (const auto* shape = dynamic_cast<const TPlovanPolyline*>(FindShape(FEndedShapeId))) {
            points = shape->Points;
        }
        return points;
    }
    if (FLineChainPoints.size() >= 2) points = FLineChainPoints;
    return points;
}
