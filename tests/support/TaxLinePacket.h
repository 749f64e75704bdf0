#pragma once
// The tax-line packet as the screen sends it to the store: the eight fields,
// one row per ICMS rate, for branch 0001 and register 001.
#include "AutomationDate.h"
#include <QList>
#include <QString>
#include <QVariant>

struct TaxLine {
    QString cdImposto;
    double aliquota = 0;
    double base = 0;
    double imposto = 0;
    QString nrEcf = QStringLiteral("001");
};

QVariant taxLinePacket(const QList<TaxLine> &lines, TDateTime day);
