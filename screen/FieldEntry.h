#pragma once
// How the thirteen fields take what is typed: a key's text goes at the end
// of the field whose Tag is current, under the comma rule (none in a counter,
// one in an amount, "0," to begin one) and each field's length on the screen;
// the current field's heading is shown in grey.
#include "ReductionFigures.h"

#include <QObject>
#include <array>

class QLabel;

namespace FieldEntry {

// The Tag of a component (1 to 13 for a field's labels, 0 for any other).
int tagOf(const QObject *component);

// Adds `texto` to, or with `apaga` erases the last character of, the value
// label of field `campo` among the form's components, walked in creation
// order (a label added with the field's Tag would take the text as well).
void post(const QObjectList &componentes, int campo, const QString &texto, bool apaga);

// Every heading in black, the current field's in grey.
void highlight(const std::array<QLabel *, ReductionFigures::Count> &cabecalhos, int campoAtual);

} // namespace FieldEntry
