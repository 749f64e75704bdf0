#pragma once
// The fiscal ledger's data set, built once per suite run on the suite's
// backend: days stored by the reference host in automatic mode (a printer
// memory per day, the CAT-52 file kept too), then anomalies planted with SQL,
// one per rule, and edge-case chains of a second branch.
//
// Branch 0001, December 2026 (30/11 lies before the audited period):
//   register 001, printer 001 "BE0101010100000000A1": host days 30/11, 01..04/12
//     (CRZ 100..104), planted: 01/12 VL_DIVERGENTE and CAT52_DIVERGENTE,
//     02/12 COO_SOBREPOSTO and PARCIAIS_DIVERGENTES, 03/12 COO_INVERTIDO and
//     IMPOSTO_DIVERGENTE, 04/12 GT_DIVERGENTE, 05/12 DIA_SEM_REDUCAO; rows
//     08/12 CRZ 107 (CRZ_SALTO, 2 missing), 09/12 CRZ 107 (CRZ_REPETIDO), 07/12
//     CRZ 108 (DATA_FORA_DE_ORDEM), 10/12 CRZ 109 CRO 2 (CRO_ALTERADO, and
//     CAT52_AUSENTE: the only row without a file);
//   register 002, printer 002 "BE0202020200000000B2": host days 01..03/12, clean;
//   register 003: a cash movement on 10/12 and no Z reduction at all.
// Branch 0002 (rows and files by SQL, all clean):
//   register 005 with two printers (005 and 015), both on 02/12, a file each;
//   printer 006 "BE0606060600000000C6" on register 006 (01, 02/12; 01/12
//     without tax lines) then on register 007 (03, 04/12);
//   printer 008 with counters at their widths: CRZ 9999999998/9999999999,
//     coupons 999901..999999 then 000001..000120, CRO 999.
// Branch 0003, the days the tax validator finds hard (rows and files by SQL):
//   register 010, printer E1 "BE1010101000000000E1", model "MP–4000 TH FI
//     ECF-IF DUAL" (longer than 20, an en dash): 30/11 CRZ 30 clean, 01/12 two
//     totalisers of 18%, 02/12 T1 did not move, 03/12 a line of rate 0, 04/12 no
//     sale, 05/12 everything cancelled (IMPOSTO_DIVERGENTE for each zero line);
//     01/12 also holds a file of printer "BE9999999900000000Z9" (CAT52_DIVERGENTE);
//   register 011, printer F1: CRZ 9998 (01/12), 9999, 1, 2 (04/12): the counter
//     turns over;
//   printer H1 on register 012 as ECF 012 (01, 02/12), then on 013 as ECF 013;
//   register 014: a row without a serial (SERIE_AUSENTE, CAT52_AUSENTE);
//   register 015: a row with CRO 0 (CONTADOR_ZERO).
// Branch 0004, register 020: printer M1 (ECF 020) on 01 and 02/12, printer N2
//   (ECF 021) on 02 and 03/12; N2's file of 02/12 is not stored but kept in
//   the scratch folder as "N2.0212" (CAT52_AUSENTE until cat52-guardar).
// Branch 0005, what printers report and stores mistype (01/12 unless said):
//   register 030, printer P1, stored by the host: a 25 % totaliser of 0,03
//     (tax 0,00); register 031: a row without a serial (02/12);
//   printer S1 (033): CRZ 60, 0 (02/12), 62 (03/12); printer T1 (034): coupons
//     999991 to 40; printer U1 stored as ECF 1001 (ECF_INVALIDO); printer V1
//     without a model (MODELO_AUSENTE); printer W1 (037) with its model on
//     30/11 only; printer X1 (038): gross sales a cent above its totalisers.
#include "HostProcess.h"
#include "TestDatabase.h"

#include <QDate>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class FiscalDataSet {
public:
    static FiscalDataSet &instance(); // built by the suite's environment
    static void build();
    static void release();

    TestDb::Database &db() { return m_db; }
    QString connectionString() const { return m_db.connectionString(); }
    // The folder where the reference printer wrote the CAT-52 files.
    QString cat52Folder() const;
    QString scratch(const QString &name) const { return m_dir.filePath(name); }

    // kal02700-fiscal of the installation with the arguments.
    static ProcessRun fiscal(const QStringList &arguments);
    // The same as a store may meet it: standard output into a file or device
    // (empty: read as above), and no file it writes growing past
    // maxFileBytes (a write past it fails, as on a full disk; -1: no limit).
    static ProcessRun fiscal(const QStringList &arguments, const QString &standardOutput, qint64 maxFileBytes = -1);
    // The database's file when the backend keeps it in one; empty otherwise.
    QString databaseFile() const;

    // A CAT-52 file of a Z reduction, as the reference printer lays it out.
    static QByteArray cat52(const QString &serial, const QString &model, qint64 crz, qint64 coo, qint64 cro,
                            const QDate &day, qint64 grossCents);
    // A date-time literal of the backend (midnight unless given).
    static QString timestamp(const QDate &day, const QString &time = QStringLiteral("00:00:00"));

    void storeFile(const QString &filial, const QString &caixa, const QDate &day, const QString &name,
                   const QByteArray &content);

private:
    FiscalDataSet();
    void runHost();
    void plant();
    void edgeChains();
    void hardDays();
    void hardChains(); // hardDays' turned counters, moved printers, a missing serial
    void twoPrinters();
    void reportedDays();

    QTemporaryDir m_dir;
    HostProcess m_installation;
    TestDb::Database m_db;
};
