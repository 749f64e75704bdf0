#pragma once
// The night as the JSON of /api/noite, and the one-object error answers.
#include "Night.h"

#include <QByteArray>

namespace NightJson {
// banco: empty while the database answers, else "indisponível desde HH:mm:ss".
QByteArray night(const Night &night, const QString &banco);
// {"erro": "..."}
QByteArray error(const QString &message);
} // namespace NightJson
