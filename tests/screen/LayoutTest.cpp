// The stored layout as the operator sees it: the window, the fields found by
// their Tags, the message table, the tax-line dataset, and a rendering.
#include "Cli_kal02700.h"
#include "Exception.h"
#include "PackageOperationsOverride.h"
#include "ScreenTestSupport.h"
#include "SharedServicesHost.h"
#include "Wmb00002.h"
#include <QDir>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace ScreenTest;

namespace {

QList<QLabel *> labelsInComponentOrder(const TfrmCadRedz &form)
{
    QList<QLabel *> labels;
    for (QObject *child : form.children())
        if (auto *label = qobject_cast<QLabel *>(child))
            labels.append(label);
    return labels;
}

TEST(LayoutTest, ValueLabelsCarryTheFieldTagsInFieldOrder)
{
    TfrmCadRedz form;
    QList<int> tags;
    QStringList names;
    for (QLabel *label : labelsInComponentOrder(form)) {
        const int tag = label->property("tag").toInt();
        if (tag != 0) {
            tags.append(tag);
            names.append(label->objectName());
        }
    }
    EXPECT_EQ(tags, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(names, (QStringList{"lblContRedZ", "lblContRei", "lblNRCupIni", "lblNrCupFin", "lblSubTrib",
                                  "lblIsentICMS", "lblNIncidICMS", "lblTotGer", "lblVendBrutD", "lblCancICMS",
                                  "lblDescICMS", "lblVendLiq", "lblACresICMS"}));

    // Typing finds the field through the component list, not through the
    // member names: each field number reaches exactly its own label.
    for (int field = 1; field <= 13; ++field) {
        EXPECT_TRUE(fieldText(form, field).isEmpty()) << "field " << field;
        form.postaTexto(field, QString::number(field % 10), false);
    }
    for (int field = 1; field <= 13; ++field)
        EXPECT_EQ(fieldText(form, field), QString::number(field % 10)) << "field " << field;
}

TEST(LayoutTest, StoredFontsColoursAndGlyphsTakeEffect)
{
    // Pixel sizes come from style sheets in the stored layout: a sheet that
    // does not parse would leave the form's default font without a word.
    TfrmCadRedz form;
    for (QLabel *label : labelsInComponentOrder(form)) {
        label->ensurePolished();
        EXPECT_EQ(label->font().family(), "Arial") << label->objectName().toStdString();
        EXPECT_GT(label->font().pixelSize(), 0) << label->objectName().toStdString();
    }
    for (QLabel *heading : headings(form)) {
        EXPECT_EQ(heading->font().pixelSize(), 13);
        EXPECT_TRUE(heading->font().bold());
        EXPECT_EQ(fontColor(heading), black);
    }
    for (QLabel *value : values(form))
        EXPECT_EQ(fontColor(value), gray);
    EXPECT_EQ(headings(form)[5]->text(), "Isento ICMS  (I1)");

    for (TBlendedBitBtn *button : form.findChildren<TBlendedBitBtn *>()) {
        button->ensurePolished();
        EXPECT_EQ(button->font().family(), "Arial") << button->objectName().toStdString();
        // No button takes the keyboard away from the form.
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->objectName().toStdString();
    }
    EXPECT_EQ(widget<TBlendedBitBtn>(form, "sbt5")->font().pixelSize(), 24);
    for (const char *name : {"sbtEnter", "sbtVoltar", "sbtCorrigir", "sbtICMS", "sbtConf"}) {
        const TBlendedBitBtn *glyphed = widget<TBlendedBitBtn>(form, name);
        EXPECT_FALSE(glyphed->glyph().isNull()) << glyphed->objectName().toStdString();
        EXPECT_FALSE(glyphed->disabledGlyph().isNull()) << glyphed->objectName().toStdString();
    }
}

// The rendering, checked by a few pixels.
TEST(LayoutTest, Screenshot)
{
    TfrmCadRedz form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto grab = [&] { return form.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto at = [](const QImage &image, QPoint p) { return QColor(image.pixel(p)); };
    // Left middle of a button: clear of its curved corners and of its caption.
    auto faceOf = [](QWidget *button) { return button->geometry().topLeft() + QPoint(5, button->height() / 2); };

    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    const QImage image = grab();
    image.save(QDir(KAL_BINARY_DIR).filePath("screen-manual.png"));
    ASSERT_EQ(image.size(), QSize(701, 524));
    const QColor frame(204, 91, 44);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(700, 523), QPoint(699, 262), QPoint(350, 0), QPoint(0, 300)})
        EXPECT_EQ(at(image, p), frame) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(2, 2), QPoint(698, 521), QPoint(10, 500), QPoint(350, 300)})
        EXPECT_EQ(at(image, p), QColor(Qt::white)) << p.x() << "," << p.y();
    EXPECT_EQ(at(image, faceOf(widget<TBlendedBitBtn>(form, "sbtEnter"))), QColor(34, 221, 100));
    EXPECT_EQ(at(image, faceOf(widget<TBlendedBitBtn>(form, "sbtConf"))), QColor(34, 221, 100));
    EXPECT_EQ(at(image, faceOf(widget<TBlendedBitBtn>(form, "sbtVoltar"))), QColor(238, 62, 17));
    EXPECT_EQ(at(image, faceOf(widget<TBlendedBitBtn>(form, "sbt1"))), QColor(128, 128, 128));

    for (int field = 1; field <= 13; ++field)
        form.postaTexto(field, field <= 4 ? "0042" : "1234,56", false);
    form.BloqueiaDesbloqueia("S");
    const QImage locked = grab();
    locked.save(QDir(KAL_BINARY_DIR).filePath("screen-locked.png"));
    EXPECT_EQ(at(locked, faceOf(widget<TBlendedBitBtn>(form, "sbt1"))), QColor(204, 204, 204));
    EXPECT_EQ(at(locked, faceOf(widget<TBlendedBitBtn>(form, "sbtEnter"))), QColor(204, 204, 204));
    EXPECT_EQ(at(locked, faceOf(widget<TBlendedBitBtn>(form, "sbtConf"))), QColor(34, 221, 100));
}

TEST(TaxLinesTest, PostingComputesTheTaxOfTheLine)
{
    TfrmCadRedz form;
    ClientDataSet &cds = form.cdsImpRedZ;
    cds.createDataSet();
    auto post = [&](double base, double rate, double given) {
        cds.append();
        form.cdsImpRedZCDFILIAL->setAsString("00012");
        form.cdsImpRedZVRBCALCIMPRZ->setAsFloat(base);
        form.cdsImpRedZVRALIQIMPRZ->setAsFloat(rate);
        form.cdsImpRedZVRIMPOSTORZ->setAsFloat(given);
        cds.post();
        return form.cdsImpRedZVRIMPOSTORZ->asFloat();
    };
    EXPECT_DOUBLE_EQ(post(123.45, 18, 22.23), 22.22); // the printer's own tax is replaced
    EXPECT_DOUBLE_EQ(post(0, 18, 5), 0);
    EXPECT_DOUBLE_EQ(post(123.45, 0, 5), 0);
    EXPECT_DOUBLE_EQ(post(1000, 7, 0), 70);
    EXPECT_DOUBLE_EQ(post(0.29, 100, 0), 0.29); // no cent lost to binary rounding
    EXPECT_EQ(form.cdsImpRedZCDFILIAL->asString(), "0001");
    EXPECT_EQ(cds.recordCount(), 5);
    EXPECT_FALSE(form.cdsImpRedZVRIMPOSTORZ->visible());
}

// The tax button hands the register and the dates to the tax package and
// keeps the list it returns.
class TaxButtonTest : public ::testing::Test {
protected:
    struct Call {
        QString cdFilial, cdCaixa, nrEcf;
        TDateTime dtReducao, dtUltRedZ;
    };
    static inline QList<Call> calls;
    static inline QVariant nextPacket;
    static inline bool fail = false;
    static inline bool abort = false;

    static void fakeCriaImpostoRedz(const QString &cdFilial, const QString &cdCaixa, const QString &nrEcf,
                                    TDateTime dtReducao, TDateTime dtUltRedZ, ClientDataSet &, QVariant &dados)
    {
        calls.append({cdFilial, cdCaixa, nrEcf, dtReducao, dtUltRedZ});
        if (abort)
            throw EAbort();
        if (fail)
            throw Exception("Tabela de impostos indisponível");
        dados = nextPacket;
    }

    void SetUp() override
    {
        Wmb00002::CriaImpostoRedz = &fakeCriaImpostoRedz;
        calls.clear();
        fail = abort = false;
        Cli_kal02700::stDataUltRedZ.clear();
        Cli_kal02700::boDadosUltima = false;
    }
    void TearDown() override { Cli_kal02700::stDataUltRedZ.clear(); }

    // Kept before the set-up swaps the tax package's operation, put back last.
    PackageOperationsOverride packages;
    SharedServicesHost::MessageRecorder messages;
};

TEST_F(TaxButtonTest, PassesTheDatesAndKeepsTheLastList)
{
    TfrmCadRedz form;
    widget<QLabel>(form, "lblNrEcf")->setText("007");
    nextPacket = QVariant(QByteArray("first"));
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    nextPacket = QVariant(QByteArray("second"));
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);

    ASSERT_EQ(calls.size(), 2);
    const TDateTime fallback = AutomationDate::fromDate(QDate(2012, 2, 24));
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, "24/02/2012");
    EXPECT_EQ(calls[0].nrEcf, "007");
    EXPECT_EQ(calls[0].dtUltRedZ, fallback);
    EXPECT_EQ(calls[1].dtUltRedZ, fallback);
    EXPECT_EQ(TfrmCadRedzProbe::dadosImpostos(form), QVariant(QByteArray("second")));
    EXPECT_EQ(messages.count(), 0);

    // A date read from the printer is passed on as it is.
    Cli_kal02700::stDataUltRedZ = "05/12/2026";
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[2].dtUltRedZ, AutomationDate::fromDate(QDate(2026, 12, 5)));
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, "05/12/2026");
}

TEST_F(TaxButtonTest, AnErrorIsShownAndTheEarlierListKept)
{
    TfrmCadRedz form;
    nextPacket = QVariant(QByteArray("kept"));
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    fail = true;
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.calls()[0].text,
              QString::fromUtf8("O pacote de impostos falhou: Tabela de impostos indisponível"));
    EXPECT_EQ(messages.calls()[0].kind, tmErro);
    EXPECT_EQ(TfrmCadRedzProbe::dadosImpostos(form), QVariant(QByteArray("kept")));

    // The silent abort shows nothing.
    fail = false;
    abort = true;
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    EXPECT_EQ(messages.count(), 1);
    abort = false;

    // A last cash movement with a time of day gives its day; a text that is
    // no date at all (a lookup's failure) gives the fixed date, and the tax
    // lines can still be entered.
    Cli_kal02700::stDataUltRedZ = "05/12/2026 10:30:00";
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    Cli_kal02700::stDataUltRedZ = "00/00/00";
    QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    EXPECT_EQ(messages.count(), 1);
    ASSERT_EQ(calls.size(), 5);
    EXPECT_EQ(calls[3].dtUltRedZ, AutomationDate::fromDate(QDate(2026, 12, 5)));
    EXPECT_EQ(calls[4].dtUltRedZ, AutomationDate::fromDate(QDate(2012, 2, 24)));
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, "00/00/00");
}

} // namespace
