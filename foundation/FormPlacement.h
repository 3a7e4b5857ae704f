// A window's state, position and size in the settings file, in a section
// named after the window's object name: "WindowState" (0 normal,
// 1 minimised, 2 maximised), "Left", "Top", "Width", "Height".
//
// "Left" and "Top" are the screen position (pixels) of the window's top-left
// corner, its frame included (QWidget::pos); "Width" and "Height" are the size
// of its client area, without the frame a window manager draws around it
// (QWidget::size). A window manager's frame is not known before the window is
// first on the screen, and is added outside the client area: so the size that
// is saved is the size that comes back, with or without a window manager, and
// a window never grows from one start to the next.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The smallest client area a restored size gets: a stored 0 or negative size
// would leave a window without its contents.
inline constexpr QSize kMinimumRestoredSize{320, 240};

void SaveFormPlacement(QWidget* form);

// State 2 maximises and reads nothing else. Otherwise the stored position
// (default 0, 0) is applied, with the stored size when restoreSize is set
// (default: the current size), both brought onto the primary screen's
// available area by ClampToScreen (with the frame, once it is known). A stored
// 1 restores a normal window. Without restoreSize the window's size is left as
// it is and only its position is clamped. A window made smaller than the
// usual minimum (a strip of a tool window) passes its own `minimum`.
void RestoreFormPlacement(QWidget* form, bool restoreSize,
                          QSize minimum = kMinimumRestoredSize);

// The clamp on its own, for a window's outer rectangle (position and size as
// stored, any values) on a screen whose available area is `available`:
// - the size is brought into minimum .. the available size (a screen smaller
//   than the minimum wins);
// - a Left left of the area, then a Top above it, go to the area's edge; a
//   Left at or beyond its right edge and a Top at or beyond its bottom edge
//   go to its left and top edge;
// - a window that still runs over the right or bottom edge is moved back
//   until it fits, so the whole window is on the screen.
QRect ClampToScreen(QPoint position, QSize size, QRect available,
                    QSize minimum = kMinimumRestoredSize);
