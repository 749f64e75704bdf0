// A day that can never be stored is refused at the opening, before anything
// is typed, by hand and in automatic mode, on every connection: a day already
// stored for the branch, register and printer, and a day after today.
#include "ScreenFlowSupport.h"
#include "Cli_kal02700.h"

using namespace ScreenTest;

namespace {
const QString kStored = QStringLiteral("A Redução Z de 08/12/2026 do caixa 001 (ECF 001) já está gravada.");
const QString kFuture = QStringLiteral("A data da Redução Z (10/12/2026) é posterior a hoje (09/12/2026).");
} // namespace

class OpeningRefusalTest : public ScreenFlowTest {
protected:
    void SetUp() override
    {
        ScreenFlowTest::SetUp();
        // A printer that reports the day: automatic mode would store it at once.
        writePrinterType("18");
        fake.reportDay(dateText);
    }

    // Opens the screen; true when it was shown to the operator.
    bool opened(bool automatic)
    {
        messages.clear();
        Cli_kal02700::stMotivoRedZ.clear();
        if (automatic) {
            open(true);
            return false;
        }
        ModalScreenDriver driver([](TfrmCadRedz &) {});
        open(false);
        return driver.inspected();
    }

    void storeTheDayOf(const char *nrEcf)
    {
        db.exec(
            QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, "
                           "NRREINIREDZ, NRULTCFREDZ, VRVENBRUREDZ) VALUES ('0001', '001', '%1', "
                           "'BE091010100011223344', '2026-12-08', '0000000042', '0000000001', '0000001300', "
                           "520.95)")
                .arg(QLatin1String(nrEcf)));
    }
};

TEST_F(OpeningRefusalTest, AStoredOrFutureDayNeverOpensAndSaysWhy)
{
    const struct {
        const char *name;
        std::function<void()> arrange;
        QString line;
    } refusals[] = {
        // A printer type whose CAT-52 file is not due: nothing to finish.
        {"stored",
         [&] {
             storeTheDayOf("001");
             writeParameters("0001", "N");
         },
         kStored},
        {"future", [&] { day = AutomationDate::fromDate(QDate(2026, 12, 10)); }, kFuture},
    };
    for (const auto &refusal : refusals) {
        refusal.arrange();
        const int before = reducoes();
        for (const bool automatic : {false, true}) {
            SCOPED_TRACE(std::string(refusal.name) + (automatic ? " automatic" : " manual"));
            EXPECT_FALSE(opened(automatic));
            EXPECT_EQ(shown.count(), 0);
            EXPECT_EQ(messages.texts(), QStringList{refusal.line});
            EXPECT_EQ(messages.kinds().value(0), tmErro);
            EXPECT_EQ(Cli_kal02700::stMotivoRedZ, refusal.line) << "the line the host prints";
            EXPECT_FALSE(Cli_kal02700::boRedZGravada);
            EXPECT_FALSE(Cli_kal02700::boCriado);
            EXPECT_EQ(Cli_kal02700::frmCadRedz, nullptr);
            EXPECT_EQ(reducoes(), before);
        }
        db.exec(QStringLiteral("DELETE FROM REDUCAOZ"));
        day = AutomationDate::fromDate(QDate(2026, 12, 8));
        writeParameters("0001", "S");
    }

    // A database that cannot say whether the day is stored opens no screen either.
    db.exec(QStringLiteral("DROP TABLE IMPOSTOREDZ"));
    db.exec(QStringLiteral("DROP TABLE REDUCAOZ"));
    EXPECT_FALSE(opened(false));
    EXPECT_TRUE(Cli_kal02700::stMotivoRedZ.startsWith(
        QStringLiteral("Não foi possível saber se a Redução Z de 08/12/2026 já está gravada: ")))
        << Cli_kal02700::stMotivoRedZ.toStdString();
}

TEST_F(OpeningRefusalTest, AnotherPrintersDayOrTodayOpens)
{
    // The day of printer 002 of the same register is not this printer's.
    storeTheDayOf("002");
    EXPECT_TRUE(opened(false));
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QLatin1Char('|')).toStdString();
    open(true);
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
    EXPECT_EQ(reducoes(), 2);

    // Today itself is no day after today.
    day = AutomationDate::today();
    writePrinterType("00");
    EXPECT_TRUE(opened(false));
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(OpeningRefusalTest, AStoredDayWithoutItsCat52FileGetsItFromTheRerun)
{
    // A run cut short between its commit and the CAT-52 stage left the day
    // without its file: the rerun makes it, says so and stores nothing else.
    storeTheDayOf("001");
    const QString done = QStringLiteral("A Redução Z de 08/12/2026 já estava gravada; o arquivo Cat-52 que faltava foi "
                                        "gravado.");
    fake.generates = false;
    EXPECT_FALSE(opened(true));
    const QString missing = QStringLiteral("A Redução Z de 08/12/2026 já estava gravada, sem o arquivo Cat-52, que não "
                                           "pôde ser gravado: o gerador de arquivos Cat-52 não gerou o arquivo. O "
                                           "arquivo não foi escrito: torne a pasta dos arquivos Cat-52 gravável (ou "
                                           "corrija a causa acima) e execute o kal02700-host de novo.");
    EXPECT_EQ(Cli_kal02700::stMotivoRedZ, missing);
    EXPECT_EQ(messages.texts(), QStringList{missing});
    EXPECT_EQ(messages.kinds().value(0), tmAviso) << "a day stored without its file";
    EXPECT_EQ(arquivos(), 0);

    fake.generates = true;
    for (const bool automatic : {false, true}) {
        SCOPED_TRACE(automatic ? "automatic" : "manual");
        EXPECT_FALSE(opened(automatic));
        EXPECT_EQ(shown.count(), 0);
        // Once its file is stored, the day is refused as any stored day.
        const QString line = automatic ? kStored : done;
        EXPECT_EQ(messages.texts(), QStringList{line});
        // The missing file stored is a success; the day refused again, a failure.
        EXPECT_EQ(messages.kinds().value(0), automatic ? tmErro : tmInformacao);
        EXPECT_EQ(Cli_kal02700::stMotivoRedZ, line);
        EXPECT_FALSE(Cli_kal02700::boRedZGravada);
        EXPECT_EQ(reducoes(), 1);
        EXPECT_EQ(arquivos(), 1);
    }
    EXPECT_EQ(fake.generated, 2);
    EXPECT_EQ(noticesShown, 2) << "the notice stands over each attempt";
    const QByteArray stored = db.scalar(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52")).toByteArray();
    EXPECT_TRUE(stored.startsWith("E12BE091010100011223344")) << stored.left(40).toStdString();
}
