// The lookups that complete what the printer does not report.
#include "ServerFixture.h"
#include "FormatSettings.h"
#include "ServerCalls.h"

using LookupTest = ServerTest;

namespace {
bool isDigits(const QString &s)
{
    for (QChar c : s)
        if (!c.isDigit())
            return false;
    return !s.isEmpty();
}
} // namespace

TEST_F(LookupTest, FirstCouponComesFromTheDaysCounter)
{
    db.exec(QStringLiteral(
        "INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL000100120/02/2006', '123')"));
    // A Z reduction exists too: the counter wins, the fallback is not used.
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', '2006-02-19', '0000009999')"));
    const QVariant r = Srv_kal02700::getCupomInicial(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20));
    EXPECT_EQ(r.typeId(), QMetaType::QString);
    EXPECT_EQ(r.toString(), QStringLiteral("000123"));
}

TEST_F(LookupTest, WithoutACounterTheDayFollowsTheLatestReduction)
{
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', '2006-02-18', '0000000500')"));
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', '2006-02-19', '0000001234')"));
    // Another register's later reduction must not be looked at.
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '002', '002', '2006-02-20', '0000007777')"));
    EXPECT_EQ(Srv_kal02700::getCupomInicial(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20)).toString(),
              QStringLiteral("0000001235"));

    // A counter row whose number does not fit, or is all zeros, falls back too.
    db.exec(QStringLiteral(
        "INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL000100120/02/2006', '1234567')"));
    EXPECT_EQ(Srv_kal02700::getCupomInicial(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20)).toString(),
              QStringLiteral("0000001235"));
}

TEST_F(LookupTest, TwoPrintersOfARegisterEachFollowTheirOwnLastCoupon)
{
    using Srv_kal02700::ServerResult;
    using Srv_kal02700::ServerCalls::firstCoupon;
    // Printer A until the morning of 19/02, then B on the same register.
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', 'SERIE-A', '2006-02-18', '0000000500')"));
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '002', 'SERIE-B', '2006-02-19', '0000000040')"));
    auto first = [&](const char *serial) {
        const ServerResult<QString> r = firstCoupon(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20),
                                                    QLatin1String(serial));
        return r.ok() ? r.value() : QStringLiteral("falha: ") + r.error();
    };
    EXPECT_EQ(first("SERIE-A"), QStringLiteral("0000000501"));
    EXPECT_EQ(first("SERIE-B"), QStringLiteral("0000000041"));
    // A printer new to the register gets no number of another printer.
    const ServerResult<QString> fresh = firstCoupon(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20),
                                                    QStringLiteral("SERIE-C"));
    EXPECT_TRUE(fresh.isNotFound()) << (fresh.ok() ? fresh.value() : fresh.error()).toStdString();
    // The exported lookup, which names no printer, answers as before.
    EXPECT_EQ(Srv_kal02700::getCupomInicial(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20)).toString(),
              QStringLiteral("0000000041"));
}

TEST_F(LookupTest, NoCounterAndNoReductionGivesTheFailureText)
{
    const QString r =
        Srv_kal02700::getCupomInicial(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20)).toString();
    EXPECT_FALSE(r.isEmpty());
    EXPECT_FALSE(isDigits(r)) << r.toStdString();

    // A last coupon that is not a number fails the same way.
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', '2006-02-19', '12A')"));
    EXPECT_FALSE(isDigits(
        Srv_kal02700::getCupomInicial(QStringLiteral("0001"), QStringLiteral("001"), dia(2006, 2, 20)).toString()));
}

TEST_F(LookupTest, TaxCodeOfARate)
{
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T7', 7)"));
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T8', 7)"));
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T9', 0.1)"));
    EXPECT_EQ(Srv_kal02700::getPesqCdImposto(18.0).toString(), QStringLiteral("T1"));
    EXPECT_EQ(Srv_kal02700::getPesqCdImposto(0.1).toString(), QStringLiteral("T9"));
    const QString seven = Srv_kal02700::getPesqCdImposto(7.0).toString();
    EXPECT_TRUE(seven == QLatin1String("T7") || seven == QLatin1String("T8")) << seven.toStdString();
    const QVariant none = Srv_kal02700::getPesqCdImposto(17.0);
    EXPECT_EQ(none.typeId(), QMetaType::QString);
    EXPECT_EQ(none.toString(), QString());
}

TEST_F(LookupTest, LatestCashMovementBeforeToday)
{
    // Nothing earlier: the empty automation date.
    EXPECT_EQ(Srv_kal02700::getMaxMovCaixa(QStringLiteral("0001"), QStringLiteral("001")),
              QStringLiteral("30/12/1899"));

    const AutomationDate::PinnedClock pinned(QDateTime(QDate(2027, 1, 1), QTime(0, 30)));
    const QDate today = AutomationDate::currentDate();
    auto movement = [&](const QDateTime &when, const char *caixa = "001") {
        db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '%1', '%2')")
                    .arg(QLatin1String(caixa), when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))));
    };
    movement(QDateTime(today.addDays(-3), QTime(0, 0)));
    movement(QDateTime(today, QTime(0, 0))); // today: not counted
    movement(QDateTime(today.addDays(-1), QTime(0, 0)), "002");
    EXPECT_EQ(Srv_kal02700::getMaxMovCaixa(QStringLiteral("0001"), QStringLiteral("001")),
              today.addDays(-3).toString(QStringLiteral("dd/MM/yyyy")));

    movement(QDateTime(today.addDays(-2), QTime(13, 45, 1)));
    EXPECT_EQ(Srv_kal02700::getMaxMovCaixa(QStringLiteral("0001"), QStringLiteral("001")),
              today.addDays(-2).toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" 13:45:01"));
}

TEST_F(LookupTest, AStoredDayIsFoundByBranchRegisterPrinterAndDay)
{
    const QString filial = QStringLiteral("0001"), caixa = QStringLiteral("001"), ecf = QStringLiteral("001");
    const QVariant none = Srv_kal02700::getRedZGravada(filial, caixa, ecf, dia(2026, 12, 8));
    EXPECT_EQ(none.typeId(), QMetaType::Bool);
    EXPECT_FALSE(none.toBool());

    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ) "
                           "VALUES ('0001', '001', '001', '2026-12-08')"));
    const QVariant stored = Srv_kal02700::getRedZGravada(filial, caixa, ecf, dia(2026, 12, 8));
    EXPECT_EQ(stored.typeId(), QMetaType::Bool);
    EXPECT_TRUE(stored.toBool());
    // Another printer, register, branch or day of the same register is not that day.
    EXPECT_FALSE(Srv_kal02700::getRedZGravada(filial, caixa, QStringLiteral("002"), dia(2026, 12, 8)).toBool());
    EXPECT_FALSE(Srv_kal02700::getRedZGravada(filial, QStringLiteral("002"), ecf, dia(2026, 12, 8)).toBool());
    EXPECT_FALSE(Srv_kal02700::getRedZGravada(QStringLiteral("0002"), caixa, ecf, dia(2026, 12, 8)).toBool());
    EXPECT_FALSE(Srv_kal02700::getRedZGravada(filial, caixa, ecf, dia(2026, 12, 9)).toBool());
    EXPECT_TRUE(Srv_kal02700::ServerCalls::reductionStored(filial, caixa, ecf, dia(2026, 12, 8)).value());
}

TEST_F(LookupTest, LookupsReportAMissingTableAsText)
{
    using namespace Srv_kal02700;
    db.exec(QStringLiteral("DROP TABLE ALIQIMPFIS"));
    const QVariant r = getPesqCdImposto(18.0);
    EXPECT_EQ(r.typeId(), QMetaType::QString);
    EXPECT_FALSE(r.toString().isEmpty());
    db.exec(QStringLiteral("DROP TABLE MOVCAIXA"));
    EXPECT_THROW(FormatSettings::strToDate(getMaxMovCaixa(QStringLiteral("0001"), QStringLiteral("001"))),
                 EConvertError);
    db.exec(QStringLiteral("DROP TABLE IMPOSTOREDZ"));
    db.exec(QStringLiteral("DROP TABLE REDUCAOZ"));
    const QVariant stored = getRedZGravada(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                           dia(2026, 12, 8));
    EXPECT_EQ(stored.typeId(), QMetaType::QString);
    EXPECT_FALSE(stored.toString().isEmpty());

    // The module's own reading: a failure, with its message, never a value.
    const ServerResult<QString> code = ServerCalls::taxCode(18.0);
    const ServerResult<TDateTime> movement = ServerCalls::lastCashMovement(QStringLiteral("0001"),
                                                                           QStringLiteral("001"));
    const ServerResult<bool> day = ServerCalls::reductionStored(QStringLiteral("0001"), QStringLiteral("001"),
                                                                QStringLiteral("001"), dia(2026, 12, 8));
    const ServerResult<QString> coupon = ServerCalls::firstCoupon(QStringLiteral("0001"), QStringLiteral("001"),
                                                                  dia(2026, 12, 8));
    for (const QString &error : {code.error(), movement.error(), day.error(), coupon.error()})
        EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(code.ok() || movement.ok() || day.ok() || coupon.ok());
}
