// The reference tax package's tax-line dialog, driven through its widgets as
// an operator would.
#include "ClientDataSet.h"
#include "Exception.h"
#include "SharedServicesHost.h"
#include "TaxLinesDialog.h"
#include "TestDatabase.h"
#include "TestPackets.h"
#include "Wmb00002.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

TaxLinesDialog *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<TaxLinesDialog *>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

// Calls `call`, which opens the dialog modally, and runs `script` on the
// dialog once it is up. The watchdog closes a dialog the script left open.
void withDialog(const std::function<void(TaxLinesDialog &)> &script, const std::function<void()> &call)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        TaxLinesDialog *dialog = openDialog();
        if (!dialog) {
            ADD_FAILURE() << "the tax dialog is not shown";
            return;
        }
        ran = true;
        script(*dialog);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (TaxLinesDialog *dialog = openDialog()) {
            ADD_FAILURE() << "the script left the tax dialog open";
            dialog->reject();
        }
    });
    watchdog.start(30000);
    call();
    EXPECT_TRUE(ran);
}

void press(TaxLinesDialog &dialog, const char *objectName)
{
    auto *button = dialog.findChild<QAbstractButton *>(QLatin1String(objectName));
    ASSERT_NE(button, nullptr) << objectName;
    ASSERT_EQ(button->focusPolicy(), Qt::NoFocus) << objectName;
    QTest::mouseClick(button, Qt::LeftButton);
}

QLineEdit *edit(TaxLinesDialog &dialog, const char *objectName)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(objectName));
}

QString status(TaxLinesDialog &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("statusLabel"))->text();
}

class TaxPackage : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
        m_db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T2', 12)"));
        m_db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T3', 7)"));
        SharedServicesHost::setConnectionString(m_db.connectionString());
    }
    void TearDown() override { SharedServicesHost::setConnectionString(QString()); }

    // The dialog for the day, given the list confirmed before (none by
    // default) and the day of the printer's last Z reduction.
    QVariant enterTaxLines(ClientDataSet &totals, const std::function<void(TaxLinesDialog &)> &script,
                           const QVariant &confirmedBefore = QVariant(), TDateTime lastReduction = 0)
    {
        QVariant dados = confirmedBefore;
        withDialog(script, [&] {
            Wmb00002::CriaImpostoRedz(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("ECF-7"), m_day,
                                      lastReduction ? lastReduction : m_day, totals, dados);
        });
        return dados;
    }

    TestDb::Database m_db;
    const TDateTime m_day = AutomationDate::fromDate(QDate(2026, 12, 8));
};

struct Row {
    QString code;
    double rate;
    double base;
    double tax;
};

// The packet must carry the eight tax-line fields, in order, with the keys of the call.
QList<Row> rowsOf(const QVariant &packet, TDateTime day)
{
    ClientDataSet list;
    list.setData(packet);
    QStringList names;
    for (const Field *field : list.fields())
        names << field->fieldName();
    EXPECT_EQ(names, (QStringList{"CDFILIAL", "CDCAIXA", "NRECFREDZ", "DTREDUCAOZ", "CDIMPOSTO", "VRALIQIMPRZ",
                                  "VRBCALCIMPRZ", "VRIMPOSTORZ"}));
    EXPECT_EQ(list.fieldByName(QStringLiteral("CDFILIAL")).dataType(), FieldType::String);
    EXPECT_EQ(list.fieldByName(QStringLiteral("CDIMPOSTO")).size(), 2);
    EXPECT_EQ(list.fieldByName(QStringLiteral("DTREDUCAOZ")).dataType(), FieldType::Date);
    EXPECT_EQ(list.fieldByName(QStringLiteral("VRIMPOSTORZ")).dataType(), FieldType::Float);
    QList<Row> rows;
    for (list.first(); !list.eof(); list.next()) {
        EXPECT_EQ(list.fieldByName(QStringLiteral("CDFILIAL")).asString(), QStringLiteral("0001"));
        EXPECT_EQ(list.fieldByName(QStringLiteral("CDCAIXA")).asString(), QStringLiteral("001"));
        EXPECT_EQ(list.fieldByName(QStringLiteral("NRECFREDZ")).asString(), QStringLiteral("ECF-7"));
        EXPECT_EQ(list.fieldByName(QStringLiteral("DTREDUCAOZ")).asDateTime(), day);
        rows.append({list.fieldByName(QStringLiteral("CDIMPOSTO")).asString(),
                     list.fieldByName(QStringLiteral("VRALIQIMPRZ")).asFloat(),
                     list.fieldByName(QStringLiteral("VRBCALCIMPRZ")).asFloat(),
                     list.fieldByName(QStringLiteral("VRIMPOSTORZ")).asFloat()});
    }
    return rows;
}

TEST_F(TaxPackage, OperatorTypesLinesWithKeypadAndKeyboard)
{
    ClientDataSet noPrinter(QStringLiteral("cdsTotalizadorParciaisTributados"));
    const QVariant dados = enterTaxLines(noPrinter, [](TaxLinesDialog &dialog) {
        QLineEdit *rate = edit(dialog, "rateEdit");
        QLineEdit *value = edit(dialog, "valueEdit");
        ASSERT_TRUE(rate && value);

        // Digits and one comma only.
        QTest::keyClicks(rate, QStringLiteral("1,2,3x"));
        EXPECT_EQ(rate->text(), QStringLiteral("1,23"));
        rate->clear();

        // Keyboard for the rate, Enter moves on, keypad for the value (a third
        // decimal is refused).
        QTest::keyClicks(rate, QStringLiteral("18"));
        QTest::keyClick(rate, Qt::Key_Return);
        for (const char *key : {"key1", "key2", "key3", "keyComma", "key4", "key9", "keyBackspace", "key5", "key7"})
            press(dialog, key);
        EXPECT_EQ(value->text(), QStringLiteral("123,45"));
        press(dialog, "addButton");
        ASSERT_EQ(dialog.lines().size(), 1);
        EXPECT_TRUE(rate->text().isEmpty());
        EXPECT_TRUE(value->text().isEmpty());

        // A rate without a tax code is refused.
        QTest::keyClicks(rate, QStringLiteral("5"));
        QTest::keyClicks(value, QStringLiteral("10"));
        press(dialog, "addButton");
        EXPECT_EQ(dialog.lines().size(), 1);
        EXPECT_TRUE(status(dialog).contains(QStringLiteral("não cadastrada"))) << status(dialog).toStdString();
        rate->clear();
        value->clear();

        // A missing value is asked for.
        QTest::keyClicks(rate, QStringLiteral("12"));
        press(dialog, "addButton");
        EXPECT_EQ(dialog.lines().size(), 1);
        QTest::keyClicks(value, QStringLiteral("100"));
        QTest::keyClick(value, Qt::Key_Return);
        EXPECT_EQ(dialog.lines().size(), 2);

        // The same rate again replaces its line.
        QTest::keyClicks(rate, QStringLiteral("12,00"));
        QTest::keyClicks(value, QStringLiteral("0,5"));
        press(dialog, "addButton");
        EXPECT_EQ(dialog.lines().size(), 2);
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("linesTable"));
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->rowCount(), 2);
        EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("22,22"));
        EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("0,50"));

        press(dialog, "confirmButton");
    });

    const QList<Row> rows = rowsOf(dados, m_day);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].code, QStringLiteral("T1"));
    EXPECT_DOUBLE_EQ(rows[0].rate, 18.0);
    EXPECT_DOUBLE_EQ(rows[0].base, 123.45);
    EXPECT_DOUBLE_EQ(rows[0].tax, 22.22); // truncated, not rounded from 22.221
    EXPECT_EQ(rows[1].code, QStringLiteral("T2"));
    EXPECT_DOUBLE_EQ(rows[1].base, 0.5);
    EXPECT_DOUBLE_EQ(rows[1].tax, 0.06);
}

TEST_F(TaxPackage, StartsFromTheDaysTotalizersOrTheConfirmedListAndCancelKeepsIt)
{
    ClientDataSet totals(QStringLiteral("cdsTotalizadorParciaisTributados"));
    totals.setData(textPacket({"VRALIQIMPFIS", "CDIMPOSTO", "VRVENDIDO", "VRIMPOSTO"},
                              {{"18,00", "X1", "10,00", "1,80"},
                               {"9,99", "T9", "50,00", "4,99"},
                               {"abc", "T8", "1,00", "0,00"},
                               {"7,00", "T7", "3,00", "0,21"}},
                              20));

    // The printer's last Z reduction is of the day: its lines, less the one
    // the operator removed. Removing chooses no next line to remove.
    QVariant dados = enterTaxLines(totals, [](TaxLinesDialog &dialog) {
        EXPECT_EQ(dialog.lines().size(), 3); // the unreadable rate is left out
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("linesTable"));
        table->selectRow(1);
        press(dialog, "removeButton");
        EXPECT_TRUE(table->selectedItems().isEmpty());
        press(dialog, "removeButton");
        EXPECT_EQ(dialog.lines().size(), 2);
        EXPECT_TRUE(status(dialog).contains(QStringLiteral("Escolha"))) << status(dialog).toStdString();
        press(dialog, "confirmButton");
    });
    QList<Row> rows = rowsOf(dados, m_day);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].code, QStringLiteral("T1")); // registered rate: the database's code
    EXPECT_DOUBLE_EQ(rows[0].tax, 1.8);
    EXPECT_EQ(rows[1].code, QStringLiteral("T3"));
    EXPECT_DOUBLE_EQ(rows[1].base, 3.0);
    EXPECT_EQ(totals.recordCount(), 4);

    // Opened again, it goes on from what was confirmed: the removed line stays out.
    const QVariant confirmed = dados;
    dados = enterTaxLines(
        totals,
        [](TaxLinesDialog &dialog) {
            EXPECT_EQ(dialog.lines().size(), 2);
            press(dialog, "confirmButton");
        },
        confirmed);
    EXPECT_EQ(rowsOf(dados, m_day).size(), 2);

    // Cancelled, the confirmed list comes back as it went in; Esc only goes
    // back a field.
    dados = enterTaxLines(
        totals,
        [](TaxLinesDialog &dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            EXPECT_TRUE(dialog.isVisible());
            press(dialog, "cancelButton");
        },
        confirmed);
    EXPECT_EQ(dados, confirmed);
    dados = enterTaxLines(totals, [](TaxLinesDialog &dialog) { press(dialog, "cancelButton"); });
    EXPECT_FALSE(dados.isValid()) << "no list before, none after";

    // A rate unknown to the database keeps the printer's code.
    dados = enterTaxLines(totals, [](TaxLinesDialog &dialog) { press(dialog, "confirmButton"); });
    rows = rowsOf(dados, m_day);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1].code, QStringLiteral("T9"));

    // The printer's last Z reduction is of another day: its lines are not offered.
    dados = enterTaxLines(
        totals,
        [](TaxLinesDialog &dialog) {
            EXPECT_TRUE(dialog.lines().isEmpty());
            press(dialog, "confirmButton");
        },
        QVariant(), AutomationDate::fromDate(QDate(2026, 12, 7)));
    EXPECT_TRUE(rowsOf(dados, m_day).isEmpty());
}

TEST_F(TaxPackage, KeypadFollowsTheEntryScreen)
{
    ClientDataSet noPrinter(QStringLiteral("cdsTotalizadorParciaisTributados"));
    const QVariant dados = enterTaxLines(noPrinter, [](TaxLinesDialog &dialog) {
        auto key = [&](const char *name) { return dialog.findChild<QAbstractButton *>(QLatin1String(name)); };
        for (const char *name : {"key1", "key2", "key3", "key4", "key7", "key0", "key00", "key000"})
            ASSERT_NE(key(name), nullptr) << name;
        // 1-2-3 on top, left to right; 0, 00 and 000 below 7-8-9.
        EXPECT_LT(key("key1")->y(), key("key4")->y());
        EXPECT_LT(key("key4")->y(), key("key7")->y());
        EXPECT_LT(key("key7")->y(), key("key0")->y());
        EXPECT_LT(key("key1")->x(), key("key2")->x());
        EXPECT_LT(key("key2")->x(), key("key3")->x());
        EXPECT_EQ(key("key0")->y(), key("key000")->y());
        EXPECT_LT(key("key00")->x(), key("key000")->x());
        press(dialog, "key1");
        press(dialog, "key2");
        QTest::keyClick(edit(dialog, "rateEdit"), Qt::Key_Return);
        for (const char *name : {"key1", "key000", "key00", "keyComma", "key5"})
            press(dialog, name);
        EXPECT_EQ(edit(dialog, "valueEdit")->text(), QStringLiteral("100000,5"));
        press(dialog, "addButton");
        press(dialog, "confirmButton");
    });
    const QList<Row> rows = rowsOf(dados, m_day);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].code, QStringLiteral("T2"));
    EXPECT_DOUBLE_EQ(rows[0].base, 100000.5);
}

TEST_F(TaxPackage, FiguresAreTakenAsOnTheEntryScreen)
{
    ClientDataSet noPrinter(QStringLiteral("cdsTotalizadorParciaisTributados"));
    // The screen knows no last Z reduction: it passes its fixed date.
    const TDateTime unknown = AutomationDate::fromDate(QDate(2012, 2, 24));
    const QVariant dados = enterTaxLines(
        noPrinter,
        [](TaxLinesDialog &dialog) {
            const QString header = dialog.findChild<QLabel *>(QStringLiteral("headerLabel"))->text();
            EXPECT_FALSE(header.contains(QStringLiteral("2012")) || header.contains(QStringLiteral("Última")))
                << header.toStdString();
            QLineEdit *rate = edit(dialog, "rateEdit");
            QLineEdit *value = edit(dialog, "valueEdit");
            // The numeric pad's decimal key, NumLock on (a point or a comma) and off (Delete).
            QTest::keyClicks(rate, QStringLiteral("12"));
            QTest::keyClick(rate, Qt::Key_Period, Qt::KeypadModifier);
            QTest::keyClicks(rate, QStringLiteral("00"));
            EXPECT_EQ(rate->text(), QStringLiteral("12,00"));
            QTest::keyClick(rate, Qt::Key_Return);
            QTest::keyClicks(value, QStringLiteral("345"));
            QTest::keyClick(value, Qt::Key_Delete, Qt::KeypadModifier);
            QTest::keyClicks(value, QStringLiteral("00"));
            EXPECT_EQ(value->text(), QStringLiteral("345,00"));
            value->clear();
            QTest::keyClicks(value, QStringLiteral("3"));
            QTest::keyClick(value, Qt::Key_Comma, Qt::KeypadModifier);
            EXPECT_EQ(value->text(), QStringLiteral("3,"));
            // The keypad and Corrigir work at the end of the field, whatever the cursor.
            value->setText(QStringLiteral("345,00"));
            value->setCursorPosition(0);
            press(dialog, "keyBackspace");
            EXPECT_EQ(value->text(), QStringLiteral("345,0"));
            value->setCursorPosition(1);
            press(dialog, "key5");
            EXPECT_EQ(value->text(), QStringLiteral("345,05"));
            // Esc goes back a field and keeps the dialog and what was typed.
            QTest::keyClick(value, Qt::Key_Escape);
            EXPECT_TRUE(dialog.isVisible());
            press(dialog, "keyBackspace");
            EXPECT_EQ(rate->text(), QStringLiteral("12,0")) << "the rate is the current field";
            QTest::keyClick(rate, Qt::Key_Escape);
            press(dialog, "key5");
            EXPECT_EQ(rate->text(), QStringLiteral("12,0"));
            EXPECT_EQ(value->text(), QStringLiteral("345,05")) << "back on the value, a third decimal is refused";
            press(dialog, "addButton");
            press(dialog, "confirmButton");
        },
        QVariant(), unknown);
    const QList<Row> rows = rowsOf(dados, m_day);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_DOUBLE_EQ(rows[0].rate, 12.0);
    EXPECT_DOUBLE_EQ(rows[0].base, 345.05);
    EXPECT_DOUBLE_EQ(rows[0].tax, 41.4); // 41,406 truncated
    // A known day is shown.
    EXPECT_EQ(TaxLinesDialog::lastReductionText(AutomationDate::fromDate(QDate(2026, 12, 7))),
              QStringLiteral("07/12/2026"));
    EXPECT_EQ(TaxLinesDialog::lastReductionText(0), QString());
}

TEST(TaxLinesDialogLayout, FiveLinesAtLeastInSightTheRestScrolledByAFingerSizedBar)
{
    TaxLinesDialog dialog({QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("1"), 0, 0},
                          [](double) { return QStringLiteral("T1"); });
    QList<TaxLinesDialog::Line> lines;
    for (int i = 1; i <= 7; ++i)
        lines.append({QStringLiteral("T%1").arg(i), double(i), 100.0 * i});
    dialog.setLines(lines);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("linesTable"));
    ASSERT_NE(table, nullptr);
    const int row = table->rowHeight(0);
    EXPECT_GE(row, 32);
    EXPECT_GE(table->viewport()->height(), 5 * row);
    EXPECT_LT(table->viewport()->height(), 7 * row) << "the seventh line is reached by scrolling";
    EXPECT_GT(table->verticalScrollBar()->maximum(), 0);
    EXPECT_GE(table->verticalScrollBar()->width(), 40);
    EXPECT_LE(dialog.height(), 600) << "the dialog fits a store's touch screen";
}

TEST_F(TaxPackage, UnreachableDatabaseRaisesBeforeAnyDialog)
{
    SharedServicesHost::setConnectionString(QStringLiteral("sqlite:/nonexistent-folder/none/kal.db"));
    ClientDataSet totals;
    QVariant dados;
    EXPECT_THROW(Wmb00002::CriaImpostoRedz(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("1"), m_day,
                                           m_day, totals, dados),
                 Exception);
    EXPECT_EQ(openDialog(), nullptr);
    EXPECT_FALSE(dados.isValid());
}

} // namespace

TEST_F(TaxPackage, NoFigureWiderThanItsFieldAndNoRateRegisteredAreSaid)
{
    ClientDataSet noPrinter(QStringLiteral("cdsTotalizadorParciaisTributados"));
    // As wide as the screen's confirmation keeps them: 11 digits and two
    // decimals for a base, two and two for a rate.
    enterTaxLines(noPrinter, [](TaxLinesDialog &dialog) {
        QLineEdit *rate = edit(dialog, "rateEdit");
        QLineEdit *value = edit(dialog, "valueEdit");
        ASSERT_TRUE(rate && value);
        QTest::keyClicks(value, QStringLiteral("123456789012,345"));
        EXPECT_EQ(value->text(), QStringLiteral("12345678901,34"));
        QTest::keyClicks(rate, QStringLiteral("100"));
        EXPECT_EQ(rate->text(), QStringLiteral("10"));
        EXPECT_TRUE(status(dialog).isEmpty()) << status(dialog).toStdString();
        press(dialog, "cancelButton");
    });

    // Without any rate, the dialog says so at once and for every line.
    m_db.exec(QStringLiteral("DELETE FROM ALIQIMPFIS"));
    const QString noRates = QStringLiteral(
        "Nenhuma alíquota cadastrada (ALIQIMPFIS): cadastre as alíquotas antes de informar os impostos.");
    const QVariant dados = enterTaxLines(noPrinter, [&](TaxLinesDialog &dialog) {
        EXPECT_EQ(status(dialog), noRates);
        QTest::keyClicks(edit(dialog, "rateEdit"), QStringLiteral("18"));
        QTest::keyClicks(edit(dialog, "valueEdit"), QStringLiteral("100"));
        press(dialog, "addButton");
        EXPECT_TRUE(dialog.lines().isEmpty());
        EXPECT_EQ(status(dialog), noRates);
        press(dialog, "confirmButton");
    });
    EXPECT_TRUE(rowsOf(dados, m_day).isEmpty());
}
