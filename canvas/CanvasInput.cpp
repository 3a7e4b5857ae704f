// Qt's mouse and key events mapped onto the canvas model's commands: buttons
// and modifiers to the event codes, keys to virtual-key codes. A left press
// released over the control raises OnClick; a left double click raises
// OnDblClick and then runs as the second press it also is (its release is no
// click); the double clicks of the other buttons are plain presses.
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

// The virtual-key code of a Qt key as a PC keyboard with the US layout
// gives it (a shifted symbol is its key's code, a keypad key its own); 0 for
// keys without one.
int VirtualKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return 96 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Asterisk:
                return 106;
            case Qt::Key_Plus:
                return 107;
            case Qt::Key_Minus:
                return 109;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                return 110;
            case Qt::Key_Slash:
                return 111;
            default:
                break;  // the keypad's arrows, Home, Enter ... as the main keys
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    // The named keys, then the shifted digits, then the punctuation keys
    // plain and shifted.
    static const struct {
        int qt, vk;
    } keys[] = {
        {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
        {Qt::Key_Clear, 12},       {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
        {Qt::Key_Shift, 16},       {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},       {Qt::Key_CapsLock, 20},     {Qt::Key_Escape, KeyEscape},
        {Qt::Key_Space, 32},       {Qt::Key_PageUp, 33},       {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},         {Qt::Key_Home, 36},         {Qt::Key_Left, 37},
        {Qt::Key_Up, 38},          {Qt::Key_Right, 39},        {Qt::Key_Down, 40},
        {Qt::Key_Print, 44},       {Qt::Key_Insert, 45},       {Qt::Key_Delete, KeyDelete},
        {Qt::Key_Help, 47},        {Qt::Key_Meta, 91},         {Qt::Key_Super_L, 91},
        {Qt::Key_Super_R, 92},     {Qt::Key_Menu, 93},         {Qt::Key_NumLock, 144},
        {Qt::Key_ScrollLock, 145}, {Qt::Key_ParenRight, '0'},  {Qt::Key_Exclam, '1'},
        {Qt::Key_At, '2'},         {Qt::Key_NumberSign, '3'},  {Qt::Key_Dollar, '4'},
        {Qt::Key_Percent, '5'},    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
        {Qt::Key_Asterisk, '8'},   {Qt::Key_ParenLeft, '9'},   {Qt::Key_Semicolon, 186},
        {Qt::Key_Colon, 186},      {Qt::Key_Equal, 187},       {Qt::Key_Plus, 187},
        {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
        {Qt::Key_Underscore, 189}, {Qt::Key_Period, 190},      {Qt::Key_Greater, 190},
        {Qt::Key_Slash, 191},      {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
        {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
        {Qt::Key_Backslash, 220},  {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
        {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222},  {Qt::Key_QuoteDbl, 222},
    };
    for (const auto& k : keys)
        if (k.qt == key) return k.vk;
    return 0;
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
    if (button == ButtonLeft) FClickArmed = true;
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
    // The release of a double click is no click.
    if (button == ButtonLeft) FClickArmed = false;
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
    // A left press released over the control is a click, raised before the
    // release.
    if (button == ButtonLeft && FClickArmed) {
        FClickArmed = false;
        if (rect().contains(at)) platform::GuardHandler([&] { Click(); });
    }
    platform::GuardHandler([&] { MouseUp(button, shift, at.x(), at.y()); });
    event->accept();
}

// Every key raises the key events; one without a virtual-key code goes on
// to the parent as well.
void TPlovanCanvas::keyPressEvent(QKeyEvent* event) {
    const int key = VirtualKey(event->key(), event->modifiers());
    const int shift = ShiftBits(event->modifiers());
    platform::GuardHandler([&] { KeyDown(key, shift); });
    if (key == 0) return QWidget::keyPressEvent(event);
    event->accept();
}

void TPlovanCanvas::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats its presses only, as on Windows.
    if (event->isAutoRepeat()) return event->accept();
    const int key = VirtualKey(event->key(), event->modifiers());
    const int shift = ShiftBits(event->modifiers());
    platform::GuardHandler([&] { KeyUp(key, shift); });
    if (key == 0) return QWidget::keyReleaseEvent(event);
    event->accept();
}
