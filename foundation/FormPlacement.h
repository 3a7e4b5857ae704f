// A window's state, position and size in the settings file, in a section
// named after the window's object name: "WindowState" (0 normal,
// 1 minimised, 2 maximised), "Left", "Top", "Width", "Height"; and where a
// window opens that has no placement yet.
//
// "Left" and "Top" are the screen position (pixels) of the window's top-left
// corner, its frame included (QWidget::pos); "Width" and "Height" are the size
// of its client area, without the frame a window manager draws around it
// (QWidget::size). A window manager's frame is not known before the window is
// first on the screen, and is added outside the client area: so the size that
// is saved is the size that comes back, with or without a window manager, and
// a window never grows from one start to the next.
//
// Within one run a window that was shown and hidden comes back where it was
// when it was hidden (the surveyor may have moved it), not where the settings
// file had it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QWidget;

// The smallest client area a restored size gets: a stored 0 or negative size
// would leave a window without its contents.
inline constexpr QSize kMinimumRestoredSize{320, 240};

// How far inside the opening area a window opens at one of its corners.
inline constexpr int kOpeningInset = 10;

// Where in the opening area a window without a placement opens.
enum class OpeningPlace { TopLeft, TopRight, BottomLeft, Centre };

// A window neither placed nor shown in this run writes nothing: the stored
// placement stays, or the window opens by the rules at the next start.
void SaveFormPlacement(QWidget* form);

// A window shown and hidden before in this run goes back where it was
// hidden, and one placed before and on the screen since stays where it is.
// Otherwise state 2 maximises and reads nothing else; otherwise the stored
// position is applied, with the stored size when restoreSize is set, both
// brought onto the primary screen's available area by ClampToScreen (with the
// frame, once it is known); a stored 1 restores a normal window. Without
// restoreSize the window's size is left as it is. A window made smaller than
// the usual minimum (a strip of a tool window) passes its own `minimum` for a
// stored size. Without a stored placement the window keeps its size and opens
// at `opening` in the opening area (PlaceWindow).
void RestoreFormPlacement(QWidget* form, bool restoreSize, QSize minimum = kMinimumRestoredSize,
                          OpeningPlace opening = OpeningPlace::TopLeft);

// For a window that keeps no placement in the settings file, from its show
// (best before it, so that it appears in its place): its first show in this
// run opens it at `where` in the opening area, its size unchanged; a later
// show puts it back where it was hidden. A window placed before and on the
// screen since stays where it is.
void PlaceWindow(QWidget* form, OpeningPlace where = OpeningPlace::TopLeft);

// The opening area: the screen rectangle where windows without a placement
// open, the main window's map area below its menu bar and tool bars. While it
// is empty (no main window on the screen) they open at the edges of the
// primary screen's available area, and so does `owner` itself, the main
// window, which sets the area and calls
// OpeningAreaChanged whenever that area moved or changed its size (the window
// manager framed the main window, the surveyor moved it): a window that opened
// in the old area and has not been moved since goes along.
void SetOpeningArea(const QWidget* owner, std::function<QRect()> area);
void OpeningAreaChanged();

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

// Where a window of outer size `size` opens at `where` in `area` (corners
// `inset` inside it), kept inside the area as far as it fits (its top
// and left edges first), then brought onto `screen` with its top never above
// the area's: a window taller than the room below the main window's bars runs
// off the bottom of the screen rather than over the bars.
QRect OpeningRect(QSize size, OpeningPlace where, QRect area, QRect screen,
                  int inset = kOpeningInset);
