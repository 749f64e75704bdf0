#pragma once
// One finding of the audit: a rule that a stored day breaks.
#include "FiscalExport.h"
#include <QDate>
#include <QString>

enum class Severity { Erro, Aviso };

struct KALFISCAL_EXPORT Finding {
    QString rule;
    Severity severity = Severity::Erro;
    QString cdFilial;
    QString cdCaixa;
    QString nrEcf;  // empty for a register's day without a Z reduction
    QString serial; // likewise
    QDate day;
    QString message;

    // Rule-specific values: how many Z reductions are missing (CRZ_SALTO),
    // and what was expected and found for the divergences, either money in
    // cents or a text.
    qint64 missing = -1;
    enum class Values { None, Money, Text } values = Values::None;
    qint64 expectedCents = 0;
    qint64 foundCents = 0;
    QString expectedText;
    QString foundText;

    static QString severityText(Severity severity)
    {
        return severity == Severity::Erro ? QStringLiteral("erro") : QStringLiteral("aviso");
    }
    QString severityText() const { return severityText(severity); }
    // expected and found as text: money as "1234.56".
    QString expected() const;
    QString found() const;
};
