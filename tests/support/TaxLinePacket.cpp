#include "TaxLinePacket.h"
#include "ClientDataSet.h"

QVariant taxLinePacket(const QList<TaxLine> &lines, TDateTime day)
{
    ClientDataSet cds(QStringLiteral("cdsImpRedZ"));
    cds.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
    cds.addField(QStringLiteral("CDCAIXA"), FieldType::String, 3);
    cds.addField(QStringLiteral("NRECFREDZ"), FieldType::String, 10);
    cds.addField(QStringLiteral("DTREDUCAOZ"), FieldType::Date);
    cds.addField(QStringLiteral("CDIMPOSTO"), FieldType::String, 2);
    cds.addField(QStringLiteral("VRALIQIMPRZ"), FieldType::Float);
    cds.addField(QStringLiteral("VRBCALCIMPRZ"), FieldType::Float);
    cds.addField(QStringLiteral("VRIMPOSTORZ"), FieldType::Float);
    cds.createDataSet();
    for (const TaxLine &l : lines) {
        cds.append();
        cds.fieldByName(QStringLiteral("CDFILIAL")).setAsString(QStringLiteral("0001"));
        cds.fieldByName(QStringLiteral("CDCAIXA")).setAsString(QStringLiteral("001"));
        cds.fieldByName(QStringLiteral("NRECFREDZ")).setAsString(l.nrEcf);
        cds.fieldByName(QStringLiteral("DTREDUCAOZ")).setAsDateTime(day);
        cds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(l.cdImposto);
        cds.fieldByName(QStringLiteral("VRALIQIMPRZ")).setAsFloat(l.aliquota);
        cds.fieldByName(QStringLiteral("VRBCALCIMPRZ")).setAsFloat(l.base);
        cds.fieldByName(QStringLiteral("VRIMPOSTORZ")).setAsFloat(l.imposto);
        cds.post();
    }
    return cds.data();
}
