// A window's state, position and size in the settings file, in a section
// named after the window's object name: "WindowState" (0 normal,
// 1 minimised, 2 maximised), "Left", "Top", "Width", "Height". Position and
// size are the frame geometry, saved and restored alike, so a window never
// grows from one start to the next.
#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

void SaveFormPlacement(QWidget* form);

// State 2 maximises and reads nothing else. Otherwise the stored position
// (default 0, 0) is applied, with the stored size when restoreSize is set
// (default: the current size), and the position is pulled onto the primary
// screen. A stored 1 restores a normal window.
void RestoreFormPlacement(QWidget* form, bool restoreSize);

// The clamp on its own: negative Left, then negative Top become 0; a Left at
// or beyond the screen width and a Top at or beyond its height become 0.
QPoint ClampToScreen(QPoint position, QSize screen);
