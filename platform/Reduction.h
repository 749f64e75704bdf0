#pragma once
// One Z reduction with its tax lines (REDUCAOZ and IMPOSTOREDZ), as the
// ledger reads it and as the screen checks a typed day before saving it:
// texts as stored, counters as numbers, money in cents.
#include <QDate>
#include <QList>
#include <QString>

struct TaxLine {
    QString cdImposto;
    qint64 rate = 0; // hundredths of a percent
    qint64 base = 0; // cents
    qint64 tax = 0;  // cents
};

struct Reduction {
    QString cdFilial;
    QString cdCaixa;
    QString nrEcf;
    QString serial;
    QString model; // DSMODMARCAECF: model, "|", brand
    QDate day;

    QString crzText, croText, firstCouponText, lastCouponText;
    qint64 crz = -1, cro = -1, firstCoupon = -1, lastCoupon = -1; // -1: not a number

    qint64 subTrib = 0;  // F1
    qint64 isento = 0;   // I1
    qint64 naoIncid = 0; // N1
    qint64 grandTotal = 0;
    qint64 gross = 0;
    qint64 cancel = 0;
    qint64 discount = 0;
    qint64 net = 0;
    qint64 surcharge = 0;

    QList<TaxLine> taxes;
    // A CAT-52 file with content of the register and day carries this row's
    // printer serial in its E12.
    bool hasCat52 = false;

    // The figure of a screen field (its Tag in the Z reduction's
    // description): a counter's text and number (fields 1 to 4), an
    // amount in cents (5 to 13).
    QString &counterText(int tag)
    {
        QString *const texts[] = {&crzText, &croText, &firstCouponText, &lastCouponText};
        return *texts[tag - 1];
    }
    qint64 &counter(int tag)
    {
        qint64 *const values[] = {&crz, &cro, &firstCoupon, &lastCoupon};
        return *values[tag - 1];
    }
    qint64 &amount(int tag)
    {
        qint64 *const values[] = {&subTrib, &isento,   &naoIncid, &grandTotal, &gross,
                                  &cancel,  &discount, &net,      &surcharge};
        return *values[tag - 5];
    }

    // A row without a printer serial belongs to no printer's chain.
    bool hasSerial() const { return !serial.trimmed().isEmpty(); }

    // Same stored row (the key of REDUCAOZ).
    bool sameKey(const QString &filial, const QString &caixa, const QString &ecf, const QDate &date) const
    {
        return day == date && nrEcf == ecf && cdCaixa == caixa && cdFilial == filial;
    }
};
