#pragma once
// The screen's keyboard as its two key events see it: a Qt key press turned
// into the virtual-key code and the set of modifiers of the key-down event,
// and into the character of the key-press event.
#include <QFlags>
#include <QtGlobal>

class QKeyEvent;

// The modifiers held with a key, as the form's key-down event sees them.
enum TShiftStateFlag {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// Virtual-key codes the form's key-down event works with.
namespace VirtualKey {
constexpr quint16 Back = 8;
constexpr quint16 Return = 13;
constexpr quint16 Escape = 27;
constexpr quint16 F4 = 115;
} // namespace VirtualKey

namespace KeyTranslation {

// The Windows virtual-key code of a key, for the key-down event; 0 for keys
// that have none here.
quint16 virtualKeyOf(const QKeyEvent *event);

// The modifiers and mouse buttons held while the key went down.
TShiftState shiftStateOf(const QKeyEvent *event);

// The character a key types, as the key-press event sees it, in the screen's
// code page; false when the key types none.
bool characterOf(const QKeyEvent *event, char &character);

} // namespace KeyTranslation
