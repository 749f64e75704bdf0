#pragma once
// Data packets for the tests, built through the client dataset as the module
// and the packages build theirs: the tax-line packet on the one layout of the
// tax lines, and packets of text columns (the local parameter files, the
// printer's totalisers).
#include "AutomationDate.h"
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// One line of the tax-line packet, for branch 0001 and register 001.
struct PacketTaxLine {
    QString cdImposto;
    double aliquota = 0;
    double base = 0;
    double imposto = 0;
    QString nrEcf = QStringLiteral("001");
};

// The tax-line packet as the screen sends it to the store: one row per ICMS rate.
QVariant taxLinePacket(const QList<PacketTaxLine> &lines, TDateTime day);

// A packet of text columns, each `width` characters wide, one row per list of
// values in column order; a null value leaves its column out of the row (a
// null column), an empty one is the empty text.
QByteArray textPacket(const QStringList &columns, const QList<QStringList> &rows, int width = 10);
