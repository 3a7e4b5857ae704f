#include "navigation/WindowBands.h"

BorderHit BorderHitAt(int x, int y, int w, int h) {
    const bool left = x < kBorderBand;
    const bool right = x >= w - kBorderBand;
    const bool top = y < kBorderBand;
    const bool bottom = y >= h - kBorderBand;
    if (left && top) return htTopLeft;
    if (top && right) return htTopRight;
    if (left && bottom) return htBottomLeft;
    if (right && bottom) return htBottomRight;
    if (left) return htLeft;
    if (right) return htRight;
    if (top) return htTop;
    if (bottom) return htBottom;
    return htNone;
}

Qt::Edges EdgesOf(BorderHit hit) {
    switch (hit) {
        case htLeft:
            return Qt::LeftEdge;
        case htRight:
            return Qt::RightEdge;
        case htTop:
            return Qt::TopEdge;
        case htBottom:
            return Qt::BottomEdge;
        case htTopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case htTopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case htBottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case htBottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        case htNone:
            break;
    }
    return {};
}

Qt::CursorShape CursorOf(BorderHit hit) {
    switch (hit) {
        case htTopLeft:
        case htBottomRight:
            return Qt::SizeFDiagCursor;
        case htTopRight:
        case htBottomLeft:
            return Qt::SizeBDiagCursor;
        case htLeft:
        case htRight:
            return Qt::SizeHorCursor;
        case htTop:
        case htBottom:
            return Qt::SizeVerCursor;
        case htNone:
            break;
    }
    return Qt::ArrowCursor;
}
