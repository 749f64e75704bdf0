#include "KeyTranslation.h"
#include "Win1252.h"
#include <QGuiApplication>
#include <QKeyEvent>

namespace KeyTranslation {

quint16 virtualKeyOf(const QKeyEvent *event)
{
    const int key = event->key();
    const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return quint16((keypad ? 96 : 48) + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint16(65 + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return quint16(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return VirtualKey::Back;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VirtualKey::Return;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return VirtualKey::Escape;
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
        return 46;
    case Qt::Key_Asterisk:
        return keypad ? 106 : 56;
    case Qt::Key_Plus:
        return keypad ? 107 : 187;
    case Qt::Key_Minus:
        return keypad ? 109 : 189;
    case Qt::Key_Period:
        return keypad ? 110 : 190;
    case Qt::Key_Slash:
        return keypad ? 111 : 191;
    case Qt::Key_Comma:
        return keypad ? 110 : 188;
    case Qt::Key_Semicolon:
        return 186;
    case Qt::Key_Equal:
        return 187;
    default:
        return 0;
    }
}

TShiftState shiftStateOf(const QKeyEvent *event)
{
    TShiftState state;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= ssShift;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= ssAlt;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= ssCtrl;
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    if (buttons.testFlag(Qt::LeftButton))
        state |= ssLeft;
    if (buttons.testFlag(Qt::RightButton))
        state |= ssRight;
    if (buttons.testFlag(Qt::MiddleButton))
        state |= ssMiddle;
    return state;
}

bool characterOf(const QKeyEvent *event, char &character)
{
    // Enter, Esc and Backspace give their control codes; Alt combinations are
    // commands and type nothing; with Ctrl only control characters come through.
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    if (alt && !ctrl)
        return false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        character = char(VirtualKey::Return);
        return true;
    case Qt::Key_Escape:
        character = char(VirtualKey::Escape);
        return true;
    case Qt::Key_Backspace:
        character = char(VirtualKey::Back);
        return true;
    default:
        break;
    }
    // The numeric pad's decimal key types the decimal separator, as on a
    // Brazilian keyboard, whether the layout sends a point or a comma, and
    // with NumLock off (Delete) as well.
    if (event->modifiers().testFlag(Qt::KeypadModifier) && !ctrl && !alt
        && (event->key() == Qt::Key_Period || event->key() == Qt::Key_Comma || event->key() == Qt::Key_Delete)) {
        character = ',';
        return true;
    }
    const QString text = event->text();
    if (text.size() != 1 || (ctrl && !alt && text.at(0).unicode() >= 32))
        return false;
    bool lossy = false;
    const QByteArray bytes = Win1252::encode(text, &lossy);
    if (lossy || bytes.size() != 1)
        return false;
    character = bytes.at(0);
    return true;
}

} // namespace KeyTranslation
