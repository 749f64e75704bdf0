// After a good save: which printer types keep the day's CAT-52 file, and how
// the generated file reaches the database.
#include "ScreenFlowSupport.h"
#include "Cat52Stage.h"
#include "Cli_kal02700.h"
#include <QFile>

using namespace ScreenTest;

class Cat52StageTest : public ScreenFlowTest {
protected:
    // A hand-typed day of the given printer type and parameter, confirmed.
    void confirmDay(const QByteArray &tipo, const QByteArray &geraArq)
    {
        writePrinterType(tipo);
        writeParameters("0001", geraArq);
        fake.answers = false; // reporting types open for typing
        auto form = setUpForm();
        fillFields(*form);
        setTaxLines({{"T1", 18, 100, 18}});
        form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
        form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
        Cli_kal02700::frmCadRedz = nullptr;
    }
    // The day is stored and the operator warned (kind 2) in the host's own words.
    void expectWarning(const QString &line)
    {
        ASSERT_EQ(messages.count(), 2) << messages.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(messages.texts()[0], QStringLiteral("Dados gravados corretamente."));
        EXPECT_EQ(messages.kinds()[1], tmAviso);
        EXPECT_EQ(messages.texts()[1], line);
        EXPECT_EQ(Cli_kal02700::stMotivoRedZ, line);
        EXPECT_TRUE(Cli_kal02700::boRedZGravada);
    }
    void reset()
    {
        db.exec(QStringLiteral("DELETE FROM IMPOSTOREDZ"));
        db.exec(QStringLiteral("DELETE FROM REDUCAOZ"));
        db.exec(QStringLiteral("DELETE FROM ARQCAT52"));
        fake.generated = 0;
        messages.clear();
        Cli_kal02700::boRedZGravada = false;
        Cli_kal02700::stMotivoRedZ.clear();
    }
};

TEST_F(Cat52StageTest, ThePrinterTypeAndTheParameterDecide)
{
    struct Case {
        const char *tipo;
        const char *geraArq;
        bool generated;
    };
    const Case cases[] = {{"14", "N", true},  {"00", "", true},  {"18", "S", true}, {"18", "s", false},
                          {"18", "N", false}, {"18", "", false}, {"32", "S", true}, {"22", "S", false},
                          {"31", "N", false}, {"15", "N", true}};
    for (const Case &c : cases) {
        reset();
        confirmDay(c.tipo, c.geraArq);
        EXPECT_EQ(messages.texts().value(0), QStringLiteral("Dados gravados corretamente.")) << c.tipo;
        EXPECT_EQ(fake.generated, c.generated ? 1 : 0) << "type " << c.tipo << " flag '" << c.geraArq << "'";
        EXPECT_EQ(arquivos(), c.generated ? 1 : 0) << c.tipo;
    }
    EXPECT_EQ(noticesShown, 5) << "the notice shows only while files are made";
}

TEST_F(Cat52StageTest, TheGeneratorIsGivenTheParametersAndTheDay)
{
    confirmDay("00", "N");
    ASSERT_EQ(fake.generatorArguments.size(), 4);
    EXPECT_TRUE(fake.generatorArguments[0].toByteArray().contains("IDGERAARQVNDRIO"));
    EXPECT_EQ(fake.generatorArguments[1].toDate(), QDate(2026, 12, 8));
    EXPECT_EQ(fake.generatorArguments[2].toDate(), QDate(2026, 12, 8));
    EXPECT_EQ(fake.generatorArguments[3], QVariant(true));
    const auto rows = db.rows(QStringLiteral("SELECT CDLOJA, CDOPERADOR, NMARQCAT52, DSARQCAT52 FROM ARQCAT52"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("000"));
    EXPECT_EQ(rows[0][1].toString(), QStringLiteral("000000000000"));
    EXPECT_EQ(rows[0][2].toString(), QStringLiteral("CAT52.8CQ"));
    EXPECT_EQ(rows[0][3].toByteArray(), fake.content);
}

TEST_F(Cat52StageTest, OnlyTheFirstFileIsKeptAndItsNameKeepsItsBlanks)
{
    fake.paths = {dir.filePath(QStringLiteral("PRIMEIRO.8CQ ")), dir.filePath(QStringLiteral("SEGUNDO.8CQ"))};
    confirmDay("00", "N");
    const auto rows = db.rows(QStringLiteral("SELECT NMARQCAT52, DSARQCAT52 FROM ARQCAT52"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("PRIMEIRO.8CQ "));
    EXPECT_EQ(rows[0][1].toByteArray(), fake.content) << "read through the trimmed path";
}

TEST_F(Cat52StageTest, AMissingOrEmptyFileIsNeverStoredAndAGeneratorFailureStoresNothing)
{
    // A day with figures has no empty CAT-52 file: a missing or empty one is
    // a failure of the stage, told after the save, and the day stays stored.
    const struct {
        QStringList paths;
        QByteArray content;
    } failures[] = {{{QStringLiteral("/nao/existe/ARQ.8CQ")}, "E12 linha\r\n"},
                    {{dir.filePath(QStringLiteral("VAZIO.8CQ"))}, ""}};
    for (const auto &failure : failures) {
        reset();
        fake.paths = failure.paths;
        fake.content = failure.content;
        confirmDay("00", "N");
        EXPECT_EQ(arquivos(), 0);
        EXPECT_EQ(reducoes(), 1);
        expectWarning(QStringLiteral("A Redução Z foi gravada, mas o arquivo Cat-52 não foi gravado: o arquivo Cat-52 "
                                     "%1 não existe ou está vazio.")
                          .arg(failure.paths[0]));
    }

    reset();
    fake.generates = false;
    confirmDay("00", "N");
    EXPECT_EQ(fake.generated, 1);
    EXPECT_EQ(arquivos(), 0);
    EXPECT_EQ(reducoes(), 1);
    expectWarning(QStringLiteral("A Redução Z foi gravada, mas o arquivo Cat-52 não foi gravado: o gerador de arquivos "
                                 "Cat-52 não gerou o arquivo."));
}

TEST_F(Cat52StageTest, AGeneratorWithoutAPathIsAnErrorAfterTheSave)
{
    fake.paths.clear();
    confirmDay("00", "N");
    EXPECT_EQ(reducoes(), 1) << "the Z reduction stays stored";
    EXPECT_EQ(arquivos(), 0);
    EXPECT_FALSE(Cli_kal02700::boCriado);
    expectWarning(QStringLiteral("A Redução Z foi gravada, mas o arquivo Cat-52 não foi gravado: o gerador de arquivos "
                                 "Cat-52 não informou o arquivo gerado."));
}

TEST_F(Cat52StageTest, AFileThatDiffersFromTheDayIsStoredAndEachFigureIsNamed)
{
    // The day typed: CRZ 42, CRO 1, last coupon 1300, 08/12/2026, gross 520,95.
    const QDate day(2026, 12, 8);
    const struct {
        QByteArray content;
        QString differs;
    } files[] = {
        {cat52File(43, 1300, 1, day, 52095), QStringLiteral("CRZ 000043 no arquivo, 000042 na Redução Z")},
        {cat52File(42, 1301, 1, day, 52095), QStringLiteral("COO 001301 no arquivo, 001300 na Redução Z")},
        {cat52File(42, 1300, 2, day, 52095), QStringLiteral("CRO 000002 no arquivo, 000001 na Redução Z")},
        {cat52File(42, 1300, 1, day.addDays(-1), 52095),
         QStringLiteral("data do movimento 07/12/2026 no arquivo, 08/12/2026 na Redução Z")},
        {cat52File(42, 1300, 1, day, 52096), QStringLiteral("venda bruta 520,96 no arquivo, 520,95 na Redução Z")},
        {QByteArray(cat52File(42, 1300, 1, day, 52095)).replace("BE0910101000", "XX0910101000"),
         QStringLiteral("série XX091010100011223344 no arquivo, BE091010100011223344 na Redução Z")},
        {cat52File(43, 1300, 1, day, 52196),
         QStringLiteral("CRZ 000043 no arquivo, 000042 na Redução Z; venda bruta 521,96 no arquivo, 520,95 na "
                        "Redução Z")},
        {"E13 sem E12\r\n", QStringLiteral("o arquivo não tem registro E12 legível")},
    };
    for (const auto &file : files) {
        reset();
        fake.content = file.content;
        confirmDay("00", "N");
        EXPECT_EQ(arquivos(), 1) << "the printer's own record is stored: " << file.differs.toStdString();
        expectWarning(QStringLiteral("A Redução Z e o arquivo Cat-52 foram gravados, mas o arquivo não confere com a "
                                     "Redução Z: %1.")
                          .arg(file.differs));
    }
    // The same figures: nothing to tell.
    reset();
    fake.content = cat52File(42, 1300, 1, day, 52095);
    confirmDay("00", "N");
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Dados gravados corretamente.")});
    EXPECT_EQ(Cli_kal02700::stMotivoRedZ, QString());
}

TEST_F(Cat52StageTest, ARerunSaysWhatToDoForAFileStillMissing)
{
    using Outcome = Cat52Stage::Outcome;
    const Cat52Stage::Completion written = Cat52Stage::missingFileLine(
        day, {Outcome::NotStored, QStringLiteral("Disco cheio"), QStringLiteral("/x/A.8CQ")});
    EXPECT_EQ(written.line, QStringLiteral("A Redução Z de 08/12/2026 já estava gravada, sem o arquivo Cat-52, que não "
                                           "pôde ser gravado: disco cheio. Guarde o arquivo /x/A.8CQ depois com "
                                           "kal02700-fiscal cat52-guardar."));
    EXPECT_EQ(written.kind, tmAviso);
    // Never written (a folder that cannot be written): the ledger has nothing to store.
    const Cat52Stage::Completion unwritten = Cat52Stage::missingFileLine(
        day, {Outcome::NotStored, QStringLiteral("Permissão negada em /x"), QString()});
    EXPECT_FALSE(unwritten.line.contains(QStringLiteral("cat52-guardar"))) << unwritten.line.toStdString();
    EXPECT_TRUE(unwritten.line.endsWith(QStringLiteral("torne a pasta dos arquivos Cat-52 gravável (ou corrija a causa "
                                                       "acima) e execute o kal02700-host de novo.")))
        << unwritten.line.toStdString();
    EXPECT_EQ(Cat52Stage::missingFileLine(day, {Outcome::Stored, QString(), QString()}).kind, tmInformacao);
    EXPECT_EQ(Cat52Stage::missingFileLine(day, {Outcome::StoredDiffers, QStringLiteral("CRZ"), QString()}).kind,
              tmAviso);
    EXPECT_TRUE(Cat52Stage::missingFileLine(day, {Outcome::AlreadyStored, QString(), QString()}).line.isEmpty());
}

// Whether a type keeps the file is an answer, or the reason the type is no
// number: never an exception the caller must know to catch.
TEST(Cat52StageDue, TheTypeAndTheParameterDecideAndATypeThatIsNoNumberIsAFailure)
{
    const struct {
        const char *tipo, *geraArq;
        bool due;
    } cases[] = {{"18", "S", true}, {"18", "N", false}, {"22", "S", false}, {"1", "N", true}};
    for (const auto &c : cases) {
        const Result<bool> due = Cat52Stage::isDue(QLatin1String(c.tipo), QLatin1String(c.geraArq));
        ASSERT_TRUE(due.ok()) << c.tipo << ": " << due.error().toStdString();
        EXPECT_EQ(due.value(), c.due) << c.tipo << " " << c.geraArq;
    }
    const Result<bool> refused = Cat52Stage::isDue(QStringLiteral("1x"), QStringLiteral("S"));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), QStringLiteral("'1x' não é um número inteiro válido"));
}
