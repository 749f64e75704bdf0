// Files from outside are read only when they are small regular files, and a
// bad value is quoted by one short line.
#include "ClientDataSet.h"
#include "Exception.h"
#include "InputLimits.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(InputLimits, OnlySmallRegularFilesAreReadAndNothingWaitsOnTheRest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString small = dir.filePath(QStringLiteral("PRAXUMO.CDS"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.cds"));
    const QString huge = dir.filePath(QStringLiteral("huge.cds"));
    {
        QFile file(small);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("conteúdo");
        QFile big(huge);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(48 * 1024 * 1024));
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    QString error;
    EXPECT_EQ(InputLimits::readSmallFile(small, error).value_or("nada"), QByteArray("conteúdo"));
    EXPECT_TRUE(InputLimits::refusal(small).isEmpty());
    // Nothing there is for the caller to decide; reading it is an error.
    EXPECT_TRUE(InputLimits::refusal(dir.filePath(QStringLiteral("ausente"))).isEmpty());
    EXPECT_FALSE(InputLimits::readSmallFile(dir.filePath(QStringLiteral("ausente")), error));

    const struct {
        QString path;
        const char *why;
    } refused[] = {
        {QStringLiteral("/dev/zero"), "dispositivo"}, {fifo, "FIFO"}, {dir.path(), "pasta"}, {huge, "48,0 MB"}};
    for (const auto &r : refused) {
        error.clear();
        EXPECT_FALSE(InputLimits::readSmallFile(r.path, error)) << r.path.toStdString();
        for (const QString &message : {error, InputLimits::refusal(r.path)}) {
            EXPECT_TRUE(message.contains(r.path) && message.contains(QLatin1String(r.why))) << message.toStdString();
        }
    }

    // The module's parameter files go through the same door.
    ClientDataSet dataSet(QStringLiteral("cdsKiv"));
    try {
        dataSet.loadFromFile(fifo);
        ADD_FAILURE() << "a FIFO was read";
    } catch (const EDataSetError &e) {
        EXPECT_TRUE(e.message().contains(fifo)) << e.message().toStdString();
    }
}

TEST(InputLimits, ABadValueIsQuotedByOneShortLine)
{
    EXPECT_EQ(InputLimits::excerpt(QStringLiteral("18")), QStringLiteral("18"));
    EXPECT_EQ(InputLimits::excerpt(QStringLiteral("linha 1\r\nlinha 2")), QStringLiteral("linha 1..."));
    EXPECT_EQ(InputLimits::excerpt(QString(1000, u'x')), QString(60, u'x') + QStringLiteral("..."));

    // A parameter packet whose integer is a megabyte of text over many lines.
    const QByteArray value = QByteArray(1024 * 1024, '9') + "\nsegunda linha";
    ClientDataSet dataSet(QStringLiteral("cdsKiv"));
    try {
        dataSet.setData(QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\"><METADATA>"
                                   "<FIELDS><FIELD attrname=\"IDTIPOIMPFIS\" fieldtype=\"i4\"/></FIELDS><PARAMS/>"
                                   "</METADATA><ROWDATA><ROW IDTIPOIMPFIS=\"")
                        + value + "\"/></ROWDATA></DATAPACKET>");
        ADD_FAILURE() << "a megabyte of digits read as an integer";
    } catch (const Exception &e) {
        EXPECT_LT(e.message().size(), 200) << e.message().left(300).toStdString();
        EXPECT_FALSE(e.message().contains(u'\n'));
    }
}

} // namespace
