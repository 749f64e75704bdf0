// The reference fiscal-printer package: reading the printer memory, the
// figures it reports and the CAT-52 file it writes.
#include "AutomationDate.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "PrinterMemory.h"
#include "Wmb00001.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

const char *const SampleMemory = R"({
  "serial": "BE091010100011223344",
  "model": "FS-700 MACH",
  "brand": "ACME",
  "lastReduction": { "11": "0001", "12": "0042", "13": "001234", "25": "1234567,89",
                     "27": "10,00", "46": "08/12/2026", "47": "520,95", "48": "513,95" },
  "totalizers": [
    { "VRALIQIMPFIS": "18,00", "CDIMPOSTO": "T1", "VRVENDIDO": "123,45", "VRIMPOSTO": "22,23" },
    { "VRALIQIMPFIS": "7,00", "CDIMPOSTO": "T2", "VRVENDIDO": "1000,00", "VRIMPOSTO": "70,00" }
  ],
  "cat52Dir": "cat52"
})";

class PrinterPackage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Wmb00001::setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(10, 11, 12)); });
    }
    void TearDown() override
    {
        Wmb00001::setPrinterMemoryFile(QString());
        Wmb00001::setClock({});
    }

    QString writeMemory(const QByteArray &json, const QString &name = QStringLiteral("printer.json"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
        return path;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return file.readAll();
    }

    QTemporaryDir m_dir;
};

std::string message(const Exception &error)
{
    return error.message().toStdString();
}

TEST_F(PrinterPackage, PrinterThatDoesNotAnswerRaisesAndChangesNothing)
{
    QVariantList figures(51);
    figures[12] = QStringLiteral("kept");
    ClientDataSet totals(QStringLiteral("cdsTotalizadorParciaisTributados"));
    totals.addField(QStringLiteral("VRALIQIMPFIS"), FieldType::String, 10);
    totals.createDataSet();
    totals.append();
    totals.fieldByName(QStringLiteral("VRALIQIMPFIS")).setAsString(QStringLiteral("25,00"));
    totals.post();

    const QString badMemories[] = {
        QString(), // no memory set
        m_dir.filePath(QStringLiteral("absent.json")),
        writeMemory("{ not json", QStringLiteral("broken.json")),
        writeMemory(R"({"lastReduction": {"51": "x"}})", QStringLiteral("index.json")),
        writeMemory(R"({"lastReduction": {"12": 42}})", QStringLiteral("number.json")),
        writeMemory(R"({"totalizers": {}})", QStringLiteral("rows.json")),
        // No printer memory at all: read without waiting or filling the memory.
        QStringLiteral("/dev/zero"),
        m_dir.filePath(QStringLiteral("fifo.json")),
        m_dir.filePath(QStringLiteral("huge.json")),
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("fifo.json"))).constData(), 0600), 0);
    QFile huge(m_dir.filePath(QStringLiteral("huge.json")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(48 * 1024 * 1024));
    huge.close();
    for (const QString &bad : badMemories) {
        Wmb00001::setPrinterMemoryFile(bad);
        try {
            Wmb00001::DadosUltimaRedZ(QStringLiteral("0001"), 0, figures, totals);
            ADD_FAILURE() << "no error for " << bad.toStdString();
        } catch (const Exception &error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("Impressora fiscal não responde: ")))
                << message(error);
            EXPECT_TRUE(bad.isEmpty() || error.message().contains(bad)) << message(error);
        }
        EXPECT_EQ(figures.at(12).toString(), QStringLiteral("kept"));
        ASSERT_EQ(totals.recordCount(), 1);
        totals.first();
        EXPECT_EQ(totals.fieldByName(QStringLiteral("VRALIQIMPFIS")).asString(), QStringLiteral("25,00"));
    }
}

TEST_F(PrinterPackage, AMemoryThatDoesNotReadIsToldInPortuguese)
{
    QVariantList figures(51);
    ClientDataSet totals(QStringLiteral("cdsTotalizadorParciaisTributados"));
    const struct {
        const char *content;
        QString problem;
    } memories[] = {
        {R"({"serial": "BE09)", QStringLiteral("texto sem as aspas que o fecham")},
        {R"({"serial": "BE09",)", QStringLiteral("objeto sem o '}' que o fecha")},
        {R"({"serial" "BE09"})", QStringLiteral("falta ':' depois de um nome")},
        {R"({"totalizers": [1 2]})", QStringLiteral("falta ',' entre dois valores")},
        {R"({"serial": nada})", QStringLiteral("valor inválido")},
        {R"({"serial": "x"} sobra)", QStringLiteral("conteúdo a mais depois do fim")},
    };
    for (const auto &memory : memories) {
        Wmb00001::setPrinterMemoryFile(writeMemory(memory.content, QStringLiteral("ruim.json")));
        try {
            Wmb00001::DadosUltimaRedZ(QStringLiteral("0001"), 0, figures, totals);
            ADD_FAILURE() << "no error for " << memory.content;
        } catch (const Exception &error) {
            EXPECT_TRUE(error.message().contains(QStringLiteral("memória da impressora ilegível"))) << message(error);
            EXPECT_TRUE(error.message().contains(memory.problem)) << memory.content << ": " << message(error);
        }
    }
}

TEST_F(PrinterPackage, LastReductionFillsTheArrayAndReplacesTheTotalizers)
{
    Wmb00001::setPrinterMemoryFile(writeMemory(SampleMemory));

    // Whatever the screen's dataset held before is replaced, structure included.
    ClientDataSet earlier;
    earlier.addField(QStringLiteral("OUTRO"), FieldType::Integer);
    earlier.createDataSet();
    earlier.append();
    earlier.fieldByName(QStringLiteral("OUTRO")).setValue(7);
    earlier.post();
    ClientDataSet totals(QStringLiteral("cdsTotalizadorParciaisTributados"));
    totals.setData(earlier.data());
    QVariantList figures(51);
    figures[0] = QStringLiteral("stale");

    Wmb00001::DadosUltimaRedZ(QStringLiteral("0001"), 0, figures, totals);

    ASSERT_EQ(figures.size(), 51);
    EXPECT_EQ(figures.at(11), QVariant(QStringLiteral("0001")));
    EXPECT_EQ(figures.at(12), QVariant(QStringLiteral("0042")));
    EXPECT_EQ(figures.at(13), QVariant(QStringLiteral("001234")));
    EXPECT_EQ(figures.at(46), QVariant(QStringLiteral("08/12/2026")));
    EXPECT_EQ(figures.at(47), QVariant(QStringLiteral("520,95")));
    EXPECT_EQ(figures.at(48), QVariant(QStringLiteral("513,95")));
    for (int index : {0, 1, 28, 29, 33, 35, 37, 50})
        EXPECT_FALSE(figures.at(index).isValid()) << "index " << index;

    EXPECT_THROW(totals.fieldByName(QStringLiteral("OUTRO")), EDataSetError);
    ASSERT_EQ(totals.recordCount(), 2);
    totals.first();
    EXPECT_EQ(totals.fieldByName(QStringLiteral("VRALIQIMPFIS")).asString(), QStringLiteral("18,00"));
    EXPECT_EQ(totals.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("T1"));
    EXPECT_EQ(totals.fieldByName(QStringLiteral("VRVENDIDO")).asString(), QStringLiteral("123,45"));
    EXPECT_EQ(totals.fieldByName(QStringLiteral("VRIMPOSTO")).asString(), QStringLiteral("22,23"));
    totals.next();
    EXPECT_EQ(totals.fieldByName(QStringLiteral("VRALIQIMPFIS")).asString(), QStringLiteral("7,00"));
    EXPECT_EQ(totals.fieldByName(QStringLiteral("VRVENDIDO")).asString(), QStringLiteral("1000,00"));

    // A printer without totalisers leaves an empty dataset of the four fields.
    Wmb00001::setPrinterMemoryFile(
        writeMemory(R"({"lastReduction": {"46": "00/00/00"}})", QStringLiteral("bare.json")));
    Wmb00001::DadosUltimaRedZ(QStringLiteral("0001"), 0, figures, totals);
    EXPECT_FALSE(figures.at(0).isValid());
    EXPECT_EQ(figures.at(46).toString(), QStringLiteral("00/00/00"));
    EXPECT_TRUE(totals.active());
    EXPECT_EQ(totals.recordCount(), 0);
    EXPECT_NO_THROW(totals.fieldByName(QStringLiteral("VRIMPOSTO")));
}

TEST_F(PrinterPackage, ModelBrandAndSerial)
{
    QString model = QStringLiteral("x"), brand = QStringLiteral("y"), serial = QStringLiteral("z");
    // No printer attached: nothing to report, and no error for a manual reduction.
    Wmb00001::Modelo_Impressora(QString(), model, brand, serial);
    EXPECT_TRUE(model.isEmpty());
    EXPECT_TRUE(brand.isEmpty());
    EXPECT_TRUE(serial.isEmpty());

    Wmb00001::setPrinterMemoryFile(writeMemory(SampleMemory));
    Wmb00001::Modelo_Impressora(QString(), model, brand, serial);
    EXPECT_EQ(model, QStringLiteral("FS-700 MACH"));
    EXPECT_EQ(brand, QStringLiteral("ACME"));
    EXPECT_EQ(serial, QStringLiteral("BE091010100011223344"));

    Wmb00001::setPrinterMemoryFile(m_dir.filePath(QStringLiteral("gone.json")));
    EXPECT_THROW(Wmb00001::Modelo_Impressora(QString(), model, brand, serial), Exception);
}

TEST_F(PrinterPackage, Cat52FileRecordByRecord)
{
    const QString memoryFile = writeMemory(SampleMemory);
    Wmb00001::setPrinterMemoryFile(memoryFile);
    const TDateTime day = AutomationDate::fromDate(QDate(2026, 12, 8));
    QStringList paths{QStringLiteral("old entry")};

    ASSERT_TRUE(Wmb00001::GeraCatGenerica({QVariant(), day, day, true}, paths));

    const QString expectedPath = QDir(m_dir.path()).absoluteFilePath(QStringLiteral("cat52/ACM23344.8CQ"));
    ASSERT_EQ(paths, QStringList{expectedPath});
    const QByteArray bytes = readAll(expectedPath);
    const QByteArray head = QByteArray("BE091010100011223344") + " " + "FS-700 MACH         " + "01" + "000042";
    const QByteArray e12 = "E12" + head + "001234" + "000001" + "20261208" + "20261209" + "101112" + "00000000052095"
                           + "V";
    const QByteArray e13a = "E13" + head + "01T1800" + "0000000012345";
    const QByteArray e13b = "E13" + head + "02T0700" + "0000000100000";
    EXPECT_EQ(bytes, e12 + "\r\n" + e13a + "\r\n" + e13b + "\r\n");

    const QList<QByteArray> records = bytes.split('\n');
    ASSERT_EQ(records.size(), 4);         // three records and the empty rest after the last line end
    EXPECT_EQ(records.at(0).size(), 102); // 101 positions and the CR
    EXPECT_EQ(records.at(1).size(), 73);
    EXPECT_EQ(records.at(2).size(), 73);
    EXPECT_TRUE(records.at(3).isEmpty());
    // Positions as counted from 1 in the layout.
    const QByteArray &first = records.at(0);
    EXPECT_EQ(first.mid(46, 6), "000042");   // 47-52 CRZ
    EXPECT_EQ(first.mid(52, 6), "001234");   // 53-58 COO
    EXPECT_EQ(first.mid(58, 6), "000001");   // 59-64 CRO
    EXPECT_EQ(first.mid(64, 8), "20261208"); // 65-72 movement day
    EXPECT_EQ(first.mid(86, 14), "00000000052095");
    EXPECT_EQ(first.at(100), 'V');
    EXPECT_EQ(records.at(1).mid(52, 7), "01T1800");
}

TEST_F(PrinterPackage, Cat52TextIsWindows1252AndFolderIsCreatedWhereTheMemoryIs)
{
    const QString memoryFile = writeMemory(R"({
      "serial": "SN-0001-77",
      "model": "Coração ECF",
      "brand": "É",
      "lastReduction": { "12": "12345678", "46": "31/10/2035", "47": "" },
      "totalizers": [ { "VRALIQIMPFIS": "12,5", "CDIMPOSTO": "01", "VRVENDIDO": "0,1" } ],
      "cat52Dir": "deep/er"
    })",
                                           QStringLiteral("memoria.json"));
    Wmb00001::setPrinterMemoryFile(memoryFile);
    QStringList paths;
    ASSERT_TRUE(Wmb00001::GeraCatGenerica({QVariant(), QDate(2035, 10, 31), QDate(2035, 10, 31), true}, paths));

    // A brand without three ASCII letters is padded; the serial's digits end the name.
    EXPECT_EQ(paths.value(0), QDir(m_dir.path()).absoluteFilePath(QStringLiteral("deep/er/XXX00177.VAZ")));
    const QByteArray bytes = readAll(paths.value(0));
    const QList<QByteArray> records = bytes.split('\n');
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records.at(0).size(), 102);
    EXPECT_EQ(records.at(1).size(), 73);
    // 25-44: the model in windows-1252, one byte a character, blank-padded.
    EXPECT_EQ(records.at(0).mid(24, 20), QByteArray("Cora\xe7\xe3o ECF         "));
    EXPECT_EQ(records.at(0).mid(3, 20), QByteArray("SN-0001-77          "));
    // Counters keep their last six digits; an empty amount is zero.
    EXPECT_EQ(records.at(0).mid(46, 6), "345678");
    EXPECT_EQ(records.at(0).mid(52, 12), "000000000000");
    EXPECT_EQ(records.at(0).mid(86, 14), "00000000000000");
    // A tax code without a kind letter is taken as ICMS.
    EXPECT_EQ(records.at(1).mid(52, 7), "01T1250");
    EXPECT_EQ(records.at(1).mid(59, 13), "0000000000010");
}

TEST_F(PrinterPackage, Cat52OnlyOfTheDayOfThePrintersLastReduction)
{
    const struct {
        const char *lastDay;
        QDate asked;
        QString refusal;
    } cases[] = {
        {"08/12/2026", QDate(2026, 12, 9),
         QStringLiteral("A última redução Z da impressora não é do dia 09/12/2026, e sim do dia 08/12/2026: o arquivo "
                        "Cat-52 do dia 09/12/2026 não pode ser gerado.")},
        {"07/12/2026", QDate(2026, 12, 8),
         QStringLiteral("A última redução Z da impressora não é do dia 08/12/2026, e sim do dia 07/12/2026: o arquivo "
                        "Cat-52 do dia 08/12/2026 não pode ser gerado.")},
        {"00/00/00", QDate(2026, 12, 8),
         QStringLiteral("A impressora não informa de que dia é a sua última redução Z: o arquivo Cat-52 do dia "
                        "08/12/2026 não pode ser gerado.")},
    };
    for (const auto &c : cases) {
        Wmb00001::setPrinterMemoryFile(writeMemory(QByteArray(SampleMemory).replace("08/12/2026", c.lastDay)));
        QStringList paths{QStringLiteral("kept")};
        try {
            Wmb00001::GeraCatGenerica({QVariant(), c.asked, c.asked, true}, paths);
            ADD_FAILURE() << "generated the file of " << c.lastDay << " for another day";
        } catch (const Exception &error) {
            EXPECT_EQ(error.message(), c.refusal);
        }
        EXPECT_EQ(paths, QStringList{QStringLiteral("kept")});
        EXPECT_FALSE(QDir(m_dir.filePath(QStringLiteral("cat52"))).exists()) << "nothing written";
    }
}

TEST_F(PrinterPackage, TheCat52FileIsWholeOrAbsentWhileRunsWriteItAtOnce)
{
    Wmb00001::setPrinterMemoryFile(writeMemory(SampleMemory));
    const QVariantList day{QVariant(), QDate(2026, 12, 8), QDate(2026, 12, 8), true};
    QStringList paths;
    ASSERT_TRUE(Wmb00001::GeraCatGenerica(day, paths));
    const QString path = paths.value(0);
    const QByteArray whole = readAll(path);
    ASSERT_TRUE(whole.endsWith("\r\n"));

    // Two runs write the same name over and over while the CAT-52 stage reads it.
    std::atomic_bool writing{true};
    std::atomic_int reads{0}, partial{0}, failures{0};
    std::thread reader([&] {
        while (writing) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            ++reads;
            if (file.readAll() != whole)
                ++partial;
        }
    });
    auto writer = [&] {
        for (int i = 0; i < 100; ++i) {
            QStringList written;
            try {
                Wmb00001::GeraCatGenerica(day, written);
            } catch (const Exception &) {
                ++failures;
            }
        }
    };
    std::thread first(writer), second(writer);
    first.join();
    second.join();
    writing = false;
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(partial, 0) << "of " << reads << " reads";
    // No temporary file stays behind.
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("ACM23344.8CQ")});
}

TEST_F(PrinterPackage, TheCat52FolderKeepsAnotherPrintersFileAndLosesItsOwnStaleTemporaries)
{
    Wmb00001::setPrinterMemoryFile(writeMemory(SampleMemory));
    const QVariantList day{QVariant(), QDate(2026, 12, 8), QDate(2026, 12, 8), true};
    const QDir folder(m_dir.filePath(QStringLiteral("cat52")));
    ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
    // Temporaries of runs killed while writing: an old one, and one a run may be writing now.
    auto temporary = [&](const char *name, qint64 ageSeconds) {
        QFile file(folder.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("E12 half");
        file.flush();
        // Aged from the time the folder gave it, whatever the process's clock says.
        const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
        file.setFileTime(written.addSecs(-ageSeconds), QFileDevice::FileModificationTime);
    };
    temporary(".ACM23344.8CQ.aB3xYz", 3600);
    temporary(".ACM23344.8CQ.Qw9rTy", 5);
    // Another printer whose serial ends the same way wrote that name.
    QStringList paths;
    Wmb00001::setPrinterMemoryFile(
        writeMemory(QByteArray(SampleMemory).replace("BE0910", "XX0910"), QStringLiteral("outra.json")));
    ASSERT_TRUE(Wmb00001::GeraCatGenerica(day, paths));
    const QByteArray other = readAll(folder.filePath(QStringLiteral("ACM23344.8CQ")));
    Wmb00001::setPrinterMemoryFile(writeMemory(SampleMemory));

    try {
        Wmb00001::GeraCatGenerica(day, paths);
        ADD_FAILURE() << "another printer's file was overwritten";
    } catch (const Exception &error) {
        EXPECT_EQ(error.message().toStdString(),
                  QStringLiteral("O arquivo CAT-52 %1 já existe e não é desta impressora (série "
                                 "XX091010100011223344): não foi sobrescrito.")
                      .arg(folder.absoluteFilePath(QStringLiteral("ACM23344.8CQ")))
                      .toStdString());
    }
    EXPECT_EQ(readAll(folder.filePath(QStringLiteral("ACM23344.8CQ"))), other);
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{".ACM23344.8CQ.Qw9rTy", "ACM23344.8CQ"}));

    // Its own file of the day is written again by a rerun.
    QFile::remove(folder.filePath(QStringLiteral("ACM23344.8CQ")));
    ASSERT_TRUE(Wmb00001::GeraCatGenerica(day, paths));
    const QByteArray own = readAll(paths.value(0));
    ASSERT_TRUE(Wmb00001::GeraCatGenerica(day, paths));
    EXPECT_EQ(readAll(paths.value(0)), own);
    EXPECT_TRUE(own.startsWith("E12BE091010100011223344"));
}

TEST_F(PrinterPackage, Cat52ExtensionAndLimits)
{
    Wmb00001::PrinterMemory memory;
    memory.brand = QStringLiteral("a-b c d");
    memory.serial = QStringLiteral("7");
    EXPECT_EQ(Wmb00001::cat52FileName(memory, QDate(2026, 12, 8)), QStringLiteral("ABC00007.8CQ"));
    EXPECT_EQ(Wmb00001::cat52FileName(memory, QDate(2035, 10, 31)), QStringLiteral("ABC00007.VAZ"));
    EXPECT_EQ(Wmb00001::cat52FileName(memory, QDate(2000, 1, 1)), QStringLiteral("ABC00007.110"));
    EXPECT_EQ(Wmb00001::cat52FileName(memory, QDate(2009, 9, 10)), QStringLiteral("ABC00007.A99"));
    EXPECT_THROW(Wmb00001::cat52FileName(memory, QDate(2036, 1, 1)), Exception);
    EXPECT_THROW(Wmb00001::cat52FileName(memory, QDate(1999, 12, 31)), Exception);

    // No printer attached: nothing generated, the list untouched.
    QStringList paths{QStringLiteral("kept")};
    EXPECT_FALSE(Wmb00001::GeraCatGenerica({QVariant(), QDate(2026, 12, 8), QDate(2026, 12, 8), true}, paths));
    EXPECT_EQ(paths, QStringList{QStringLiteral("kept")});

    // An amount wider than its field, or no movement day, is an error, not a cut figure.
    Wmb00001::setPrinterMemoryFile(writeMemory(R"({"lastReduction": {"46": "08/12/2026", "47": "1000000000000,00"}})"));
    try {
        Wmb00001::GeraCatGenerica({QVariant(), QDate(2026, 12, 8), QDate(2026, 12, 8), true}, paths);
        ADD_FAILURE() << "an amount wider than its field was cut";
    } catch (const Exception &error) {
        EXPECT_TRUE(error.message().startsWith(QStringLiteral("Venda bruta diária ("))) << message(error);
    }
    Wmb00001::setPrinterMemoryFile(writeMemory(R"({"lastReduction": {"47": "1,00"}})", QStringLiteral("ok.json")));
    EXPECT_THROW(Wmb00001::GeraCatGenerica({QVariant()}, paths), Exception);
    EXPECT_EQ(paths, QStringList{QStringLiteral("kept")});
}

} // namespace
