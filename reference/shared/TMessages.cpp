#include "TMessages.h"

TMessages::TMessages(QObject *parent) : QObject(parent) {}

QString TMessages::Msg(const QString &key) const
{
    // "KEY|text": the key ends at the first bar; the text may hold bars of its own.
    for (const QString &line : m_messages) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar >= 0 && QStringView(line).left(bar) == key)
            return line.mid(bar + 1);
    }
    return QString();
}
