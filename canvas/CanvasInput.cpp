// Qt's mouse and key events mapped onto the canvas model's commands: buttons
// and modifiers to the event codes, keys to virtual-key codes. A left double
// click raises OnDblClick and then runs as the second press it also is; the
// double clicks of the other buttons are plain presses.
#include <QKeyEvent>
#include <QMouseEvent>

#include "canvas/PlovanCanvas.h"
#include "platform/HandlerGuard.h"

namespace {

using namespace CanvasInput;

int ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return ButtonLeft;
        case Qt::RightButton:
            return ButtonRight;
        case Qt::MiddleButton:
            return ButtonMiddle;
        default:
            return 0;
    }
}

int ShiftBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= ShiftShift;
    if (modifiers & Qt::ControlModifier) bits |= ShiftCtrl;
    if (modifiers & Qt::AltModifier) bits |= ShiftAlt;
    return bits;
}

// The virtual-key code of a Qt key; 0 for keys without one.
int VirtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Escape:
            return KeyEscape;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return KeyDelete;
        default:
            return 0;
    }
}

}  // namespace

void TPlovanCanvas::SetCommandCursor(TCanvasCursor cursor) {
    TCanvasModel::SetCommandCursor(cursor);
    switch (cursor) {
        case TCanvasCursor::Cross:
            setCursor(Qt::CrossCursor);
            break;
        case TCanvasCursor::SizeAll:
            setCursor(Qt::SizeAllCursor);
            break;
        default:
            unsetCursor();
    }
}

void TPlovanCanvas::mousePressEvent(QMouseEvent* event) {
    const int button = ButtonCode(event->button());
    if (button == 0) return QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    const int shift = ShiftBits(event->modifiers());
    platform::GuardHandler([&] { MouseDown(button, shift, at.x(), at.y()); });
    event->accept();
}

void TPlovanCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    const int button = ButtonCode(event->button());
    if (button == 0) return QWidget::mouseDoubleClickEvent(event);
    const QPoint at = event->position().toPoint();
    const int shift = ShiftBits(event->modifiers());
    FMouseX = at.x();
    FMouseY = at.y();
    if (button == ButtonLeft) platform::GuardHandler([&] { DblClick(); });
    platform::GuardHandler([&] { MouseDown(button, shift, at.x(), at.y()); });
    event->accept();
}

void TPlovanCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const int shift = ShiftBits(event->modifiers());
    platform::GuardHandler([&] { MouseMove(shift, at.x(), at.y()); });
    event->accept();
}

void TPlovanCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const int button = ButtonCode(event->button());
    if (button == 0) return QWidget::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    const int shift = ShiftBits(event->modifiers());
    platform::GuardHandler([&] { MouseUp(button, shift, at.x(), at.y()); });
    event->accept();
}

void TPlovanCanvas::keyPressEvent(QKeyEvent* event) {
    const int key = VirtualKey(event->key());
    if (key == 0) return QWidget::keyPressEvent(event);
    const int shift = ShiftBits(event->modifiers());
    platform::GuardHandler([&] { KeyDown(key, shift); });
    event->accept();
}
