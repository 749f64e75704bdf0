#include "TestPackets.h"
#include "ClientDataSet.h"
#include "TaxLines.h"

QVariant taxLinePacket(const QList<PacketTaxLine> &lines, TDateTime day)
{
    ClientDataSet cds(QStringLiteral("cdsImpRedZ"));
    const TaxLines::Fields fields = TaxLines::addFields(cds);
    cds.createDataSet();
    for (const PacketTaxLine &l : lines) {
        cds.append();
        fields.CDFILIAL->setAsString(QStringLiteral("0001"));
        fields.CDCAIXA->setAsString(QStringLiteral("001"));
        fields.NRECFREDZ->setAsString(l.nrEcf);
        fields.DTREDUCAOZ->setAsDateTime(day);
        fields.CDIMPOSTO->setAsString(l.cdImposto);
        fields.VRALIQIMPRZ->setAsFloat(l.aliquota);
        fields.VRBCALCIMPRZ->setAsFloat(l.base);
        fields.VRIMPOSTORZ->setAsFloat(l.imposto);
        cds.post();
    }
    return cds.data();
}

QByteArray textPacket(const QStringList &columns, const QList<QStringList> &rows, int width)
{
    ClientDataSet cds;
    for (const QString &column : columns)
        cds.addField(column, FieldType::String, width);
    cds.createDataSet();
    for (const QStringList &row : rows) {
        cds.append();
        for (qsizetype i = 0; i < columns.size() && i < row.size(); ++i)
            if (!row.at(i).isNull())
                cds.fieldByName(columns.at(i)).setAsString(row.at(i));
        cds.post();
    }
    return cds.data().toByteArray();
}
