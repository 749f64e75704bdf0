#pragma once
// The tax-line packet: the day's tax lines, one row per ICMS rate, as the tax
// package hands them to the screen (CriaImpostoRedz) and the screen sends them
// to setRedZ. Its eight fields and the tax of a line are defined here once,
// for the module, the tax package and whoever else builds or reads a packet.
#include "ClientDataSet.h"
#include "SharedServices.h"
#include <QString>

namespace TaxLines {

// The eight persistent fields, in packet order.
struct Fields {
    Field *CDFILIAL;
    Field *CDCAIXA;
    Field *NRECFREDZ;
    Field *DTREDUCAOZ;
    Field *CDIMPOSTO;
    Field *VRALIQIMPRZ;
    Field *VRBCALCIMPRZ;
    Field *VRIMPOSTORZ;
};

// Declares the eight fields on a dataset that has none yet; their component
// names follow the dataset's own (cdsImpRedZCDFILIAL, cdsImpRedCDFILIAL...).
inline Fields addFields(ClientDataSet &dataSet)
{
    // A braced list is evaluated in order: the fields are declared as listed.
    return {
        &dataSet.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4),
        &dataSet.addField(QStringLiteral("CDCAIXA"), FieldType::String, 3),
        &dataSet.addField(QStringLiteral("NRECFREDZ"), FieldType::String, 10),
        &dataSet.addField(QStringLiteral("DTREDUCAOZ"), FieldType::Date),
        &dataSet.addField(QStringLiteral("CDIMPOSTO"), FieldType::String, 2, QStringLiteral("Codigo Imposto")),
        &dataSet.addField(QStringLiteral("VRALIQIMPRZ"), FieldType::Float, 0, QStringLiteral("Aliquota")),
        &dataSet.addField(QStringLiteral("VRBCALCIMPRZ"), FieldType::Float, 0, QStringLiteral("Valor Acumulado")),
        &dataSet.addField(QStringLiteral("VRIMPOSTORZ"), FieldType::Float, 0, QStringLiteral("Valor"), false),
    };
}

// The tax of a line: base × rate / 100, truncated to the cent by the shared
// services' Trunc2. Product and division are formed in extended precision and
// rounded to a double only for Trunc2: a product formed in double can fall a
// hair short of a cent that the truncation would then lose.
inline double tax(double base, double rate)
{
    const long double product = static_cast<long double>(base) * static_cast<long double>(rate);
    return Trunc2(static_cast<double>(product / 100.0L));
}

} // namespace TaxLines
