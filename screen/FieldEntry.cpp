#include "FieldEntry.h"
#include "ReductionFigures.h"

#include <QLabel>

namespace FieldEntry {

namespace {
const QColor corCampo(Qt::black);          // clBlack
const QColor corCampoAtual(128, 128, 128); // clGray

void setFontColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}
} // namespace

int tagOf(const QObject *component)
{
    return component->property("tag").toInt();
}

void post(const QObjectList &componentes, int campo, const QString &texto, bool apaga)
{
    // Only the thirteen fields take text: before the first activation there
    // is no current field, and the title and headings carry Tag 0.
    if (campo < 1 || campo > ReductionFigures::Count)
        return;
    const ReductionFigures::Figure &figura = ReductionFigures::byTag(campo);
    for (QObject *componente : componentes) {
        auto *label = qobject_cast<QLabel *>(componente);
        if (!label || tagOf(label) != campo)
            continue;
        const QString atual = label->text();
        if (apaga) {
            label->setText(atual.left(atual.size() - 1));
            continue;
        }
        if (texto == QLatin1String(",")) {
            if (figura.kind == ReductionFigures::Kind::Counter)
                return; // counters are whole numbers
            if (atual.isEmpty()) {
                label->setText(QStringLiteral("0,"));
                return;
            }
            if (atual.contains(QLatin1Char(',')))
                return;
        }
        // Tested before the append (the key's text is then added whole):
        // "00" and "000" may carry a field past it.
        if (atual.size() >= figura.screenChars)
            return;
        label->setText(atual + texto);
    }
}

void highlight(const std::array<QLabel *, ReductionFigures::Count> &cabecalhos, int campoAtual)
{
    for (QLabel *cabecalho : cabecalhos)
        setFontColor(cabecalho, corCampo);
    if (campoAtual >= 1 && campoAtual <= int(cabecalhos.size()))
        setFontColor(cabecalhos[size_t(campoAtual - 1)], corCampoAtual);
}

} // namespace FieldEntry
