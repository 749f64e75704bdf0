// The in-memory client dataset: fields, navigation, editing and its packet.
#include "ClientDataSet.h"
#include "Exception.h"
#include "Win1252.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// The eight fields of the tax list.
void addTaxFields(ClientDataSet &ds)
{
    ds.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
    ds.addField(QStringLiteral("CDCAIXA"), FieldType::String, 3);
    ds.addField(QStringLiteral("NRECFREDZ"), FieldType::String, 10);
    ds.addField(QStringLiteral("DTREDUCAOZ"), FieldType::Date);
    ds.addField(QStringLiteral("CDIMPOSTO"), FieldType::String, 2, QStringLiteral("Codigo Imposto"));
    ds.addField(QStringLiteral("VRALIQIMPRZ"), FieldType::Float, 0, QStringLiteral("Aliquota"));
    ds.addField(QStringLiteral("VRBCALCIMPRZ"), FieldType::Float, 0, QStringLiteral("Valor Acumulado"));
    ds.addField(QStringLiteral("VRIMPOSTORZ"), FieldType::Float, 0, QStringLiteral("Valor"), false);
}

void appendTax(ClientDataSet &ds, const QString &code, double rate, double base, double tax)
{
    ds.append();
    ds.fieldByName(QStringLiteral("CDFILIAL")).setAsString(QStringLiteral("0001"));
    ds.fieldByName(QStringLiteral("CDCAIXA")).setAsString(QStringLiteral("001"));
    ds.fieldByName(QStringLiteral("NRECFREDZ")).setAsString(QStringLiteral("0042"));
    ds.fieldByName(QStringLiteral("DTREDUCAOZ")).setAsDateTime(AutomationDate::fromDate(QDate(2026, 12, 8)));
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(code);
    ds.fieldByName(QStringLiteral("VRALIQIMPRZ")).setAsFloat(rate);
    ds.fieldByName(QStringLiteral("VRBCALCIMPRZ")).setAsFloat(base);
    ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).setAsFloat(tax);
    ds.post();
}

QStringList column(ClientDataSet &ds, const QString &field)
{
    QStringList values;
    for (ds.first(); !ds.eof(); ds.next())
        values << ds.fieldByName(field).asString();
    return values;
}

QVariant packet(const char *xml)
{
    return QVariant(QByteArray(xml));
}

const char *const ParameterPacket = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<DATAPACKET Version="2.0">
  <METADATA>
    <FIELDS>
      <FIELD attrname="IDESQUEMA" fieldtype="string" WIDTH="10"/>
      <FIELD attrname="IDGERAARQVNDRIO" fieldtype="string" WIDTH="1"/>
    </FIELDS>
    <PARAMS/>
  </METADATA>
  <ROWDATA>
    <ROW IDESQUEMA="0001" IDGERAARQVNDRIO="S"/>
  </ROWDATA>
</DATAPACKET>
)";

TEST(ClientDataSetFields, TextIsCutToTheFieldSize)
{
    ClientDataSet ds(QStringLiteral("cdsImpRedZ"));
    addTaxFields(ds);
    ds.createDataSet();
    ds.insert();
    ds.fieldByName(QStringLiteral("CDFILIAL")).setAsString(QStringLiteral("12345"));
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setValue(QStringLiteral("T18"));
    ds.post();
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDFILIAL")).asString(), QStringLiteral("1234"));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("T1"));

    const Field &rate = ds.fieldByName(QStringLiteral("VRALIQIMPRZ"));
    EXPECT_EQ(rate.name(), QStringLiteral("cdsImpRedZVRALIQIMPRZ"));
    EXPECT_EQ(rate.displayLabel(), QStringLiteral("Aliquota"));
    EXPECT_FALSE(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).visible());
}

TEST(ClientDataSetFields, ValuesKeepTheirTypeAndConvertOnRead)
{
    ClientDataSet ds;
    Field &text = ds.addField(QStringLiteral("TEXTO"), FieldType::String, 20);
    Field &date = ds.addField(QStringLiteral("DIA"), FieldType::Date);
    Field &stamp = ds.addField(QStringLiteral("MOMENTO"), FieldType::DateTime);
    Field &amount = ds.addField(QStringLiteral("VALOR"), FieldType::Float);
    Field &count = ds.addField(QStringLiteral("QTD"), FieldType::Integer);
    Field &flag = ds.addField(QStringLiteral("ATIVO"), FieldType::Boolean);
    ds.createDataSet();
    ds.append();

    // Nothing assigned yet: every field is null and reads as empty or zero.
    for (Field *f : ds.fields()) {
        EXPECT_TRUE(f->isNull()) << f->fieldName().toStdString();
        EXPECT_EQ(f->asString(), QString());
        EXPECT_EQ(f->asFloat(), 0.0);
    }

    const TDateTime evening = AutomationDate::fromDate(QDate(2026, 12, 8)) + 0.75;
    date.setAsDateTime(evening);
    stamp.setAsDateTime(evening);
    amount.setAsString(QStringLiteral("1234567,89"));
    count.setAsString(QStringLiteral(" 42 "));
    flag.setValue(true);
    text.setAsFloat(12.5);
    ds.post();

    EXPECT_EQ(date.value(), QVariant(QDate(2026, 12, 8))); // only the day is kept
    EXPECT_EQ(date.asDateTime(), AutomationDate::fromDate(QDate(2026, 12, 8)));
    EXPECT_EQ(date.asString(), QStringLiteral("08/12/2026"));
    EXPECT_EQ(stamp.value(), QVariant(QDateTime(QDate(2026, 12, 8), QTime(18, 0))));
    EXPECT_EQ(stamp.asString(), QStringLiteral("08/12/2026 18:00:00"));
    EXPECT_EQ(amount.value().typeId(), QMetaType::Double);
    EXPECT_EQ(amount.asFloat(), 1234567.89);
    EXPECT_EQ(amount.asString(), QStringLiteral("1234567,89"));
    EXPECT_EQ(count.value(), QVariant(42));
    EXPECT_EQ(flag.value(), QVariant(true));
    EXPECT_EQ(text.asString(), QStringLiteral("12,5"));
    EXPECT_EQ(text.asFloat(), 12.5);

    ds.edit();
    text.setAsString(QStringLiteral("abc"));
    amount.setAsString(QString()); // an empty text clears a number
    stamp.setValue(QDateTime());   // as does an invalid date
    ds.post();
    EXPECT_TRUE(amount.isNull());
    EXPECT_TRUE(stamp.isNull());
    EXPECT_THROW(text.asFloat(), EConvertError);

    ds.edit();
    EXPECT_THROW(amount.setAsString(QStringLiteral("12.5")), EConvertError);
    EXPECT_THROW(date.setAsString(QStringLiteral("00/00/00")), EConvertError);
    EXPECT_THROW(count.setAsFloat(1e12), EConvertError);
    ds.cancel();
}

TEST(ClientDataSetFields, WritingNeedsInsertOrEditState)
{
    ClientDataSet ds(QStringLiteral("cdsImpRedZ"));
    addTaxFields(ds);
    Field &code = ds.fieldByName(QStringLiteral("CDIMPOSTO"));
    EXPECT_THROW(code.setAsString(QStringLiteral("T1")), EDataSetError); // closed
    ds.createDataSet();
    EXPECT_THROW(code.setAsString(QStringLiteral("T1")), EDataSetError); // browsing
    appendTax(ds, QStringLiteral("T1"), 18, 100, 18);
    EXPECT_THROW(code.setAsString(QStringLiteral("T2")), EDataSetError);
    EXPECT_EQ(code.asString(), QStringLiteral("T1"));
}

TEST(ClientDataSetFields, UnknownFieldIsNamed)
{
    ClientDataSet ds(QStringLiteral("cdsImpRed"));
    ds.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
    ds.createDataSet();
    EXPECT_EQ(&ds.fieldByName(QStringLiteral("cdfilial")), &ds.fieldByName(QStringLiteral("CDFILIAL")));
    try {
        ds.fieldByName(QStringLiteral("VRIMPOSTORZ"));
        FAIL() << "unknown field accepted";
    } catch (const EDataSetError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Campo 'VRIMPOSTORZ' não encontrado"));
    }
    ds.close();
    EXPECT_THROW(ds.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4), EDataSetError);
    ds.open();
    EXPECT_THROW(ds.addField(QStringLiteral("OUTRO"), FieldType::String, 4), EDataSetError);
}

TEST(ClientDataSetNavigation, MovesOverTheRows)
{
    ClientDataSet ds(QStringLiteral("cdsImpRedZ"));
    addTaxFields(ds);
    EXPECT_FALSE(ds.active());
    EXPECT_EQ(ds.state(), ClientDataSet::State::Inactive);
    EXPECT_THROW(ds.first(), EDataSetError);
    ds.createDataSet();
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_TRUE(ds.eof());
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 0);

    appendTax(ds, QStringLiteral("T1"), 18, 100, 18);
    appendTax(ds, QStringLiteral("T2"), 12, 100, 12);
    appendTax(ds, QStringLiteral("T3"), 7, 100, 7);
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.recNo(), 3);

    ds.first();
    EXPECT_TRUE(ds.bof());
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("T1"));
    ds.next();
    EXPECT_FALSE(ds.bof());
    EXPECT_EQ(ds.recNo(), 2);
    ds.next();
    EXPECT_FALSE(ds.eof());
    ds.next(); // past the last: the last row stays current
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("T3"));
    ds.prior();
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.recNo(), 2);
    ds.prior();
    ds.prior();
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 1);
    ds.last();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("T3"));

    ds.close();
    EXPECT_EQ(ds.recordCount(), 0);
    EXPECT_EQ(ds.fields().size(), 8); // declared fields outlive the rows
    ds.open();
    EXPECT_TRUE(ds.isEmpty());
}

TEST(ClientDataSetEditing, InsertOpensARowAtTheCurrentPosition)
{
    ClientDataSet ds(QStringLiteral("cdsImpRedZ"));
    addTaxFields(ds);
    ds.createDataSet();
    ds.insert(); // into an empty dataset
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("B"));
    ds.post();
    ds.insert(); // before B
    EXPECT_EQ(ds.state(), ClientDataSet::State::Insert);
    EXPECT_EQ(ds.recordCount(), 1); // not posted yet
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("A"));
    ds.post();
    EXPECT_EQ(ds.recNo(), 1);
    ds.last();
    ds.append();
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("D"));
    ds.post();
    ds.prior(); // on B
    ds.insert();
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("X"));
    ds.post();
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("X"));
    EXPECT_EQ(column(ds, QStringLiteral("CDIMPOSTO")),
              QStringList({QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("B"), QStringLiteral("D")}));
}

TEST(ClientDataSetEditing, MovingAwayPostsAndCancelDiscards)
{
    ClientDataSet ds(QStringLiteral("cdsImpRedZ"));
    addTaxFields(ds);
    ds.createDataSet();
    appendTax(ds, QStringLiteral("T1"), 18, 100, 18);
    ds.append();
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("T2"));
    ds.first(); // posts the new row first
    EXPECT_EQ(ds.state(), ClientDataSet::State::Browse);
    EXPECT_EQ(ds.recordCount(), 2);

    ds.edit();
    ds.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("ZZ"));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("ZZ"));
    ds.cancel();
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDIMPOSTO")).asString(), QStringLiteral("T1"));

    ds.insert();
    ds.cancel();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(column(ds, QStringLiteral("CDIMPOSTO")), QStringList({QStringLiteral("T1"), QStringLiteral("T2")}));
}

TEST(ClientDataSetEditing, BeforePostRunsFirstAndCanRefuseTheRow)
{
    ClientDataSet ds(QStringLiteral("cdsImpRedZ"));
    addTaxFields(ds);
    int calls = 0;
    ds.beforePost = [&calls](ClientDataSet &set) {
        ++calls;
        EXPECT_EQ(set.state(), ClientDataSet::State::Insert);
        const double rate = set.fieldByName(QStringLiteral("VRALIQIMPRZ")).asFloat();
        const double base = set.fieldByName(QStringLiteral("VRBCALCIMPRZ")).asFloat();
        if (rate < 0)
            throw std::runtime_error("negative rate");
        set.fieldByName(QStringLiteral("VRIMPOSTORZ")).setAsFloat(base * rate / 100);
    };
    ds.createDataSet();
    appendTax(ds, QStringLiteral("T1"), 18, 200, 999); // the rule replaces the 999
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).asFloat(), 36.0);

    ds.append();
    ds.fieldByName(QStringLiteral("VRALIQIMPRZ")).setAsFloat(-1);
    EXPECT_THROW(ds.post(), std::runtime_error);
    EXPECT_EQ(ds.state(), ClientDataSet::State::Insert);
    EXPECT_EQ(ds.recordCount(), 1);
    ds.fieldByName(QStringLiteral("VRALIQIMPRZ")).setAsFloat(10);
    ds.fieldByName(QStringLiteral("VRBCALCIMPRZ")).setAsFloat(50);
    ds.post();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).asFloat(), 5.0);
    EXPECT_EQ(calls, 3);
}

TEST(ClientDataSetPacket, RoundTripsEveryTypeAndNull)
{
    ClientDataSet source(QStringLiteral("cdsOrigem"));
    source.addField(QStringLiteral("TEXTO"), FieldType::String, 40);
    source.addField(QStringLiteral("DIA"), FieldType::Date);
    source.addField(QStringLiteral("MOMENTO"), FieldType::DateTime);
    source.addField(QStringLiteral("VALOR"), FieldType::Float);
    source.addField(QStringLiteral("QTD"), FieldType::Integer);
    source.addField(QStringLiteral("ATIVO"), FieldType::Boolean);
    source.createDataSet();

    const QString awkward = QStringLiteral("<a & \"b\" 'c'>\tç€ 日本 Ωλ\n");
    const QDateTime moment(QDate(2026, 12, 8), QTime(13, 45, 1, 7));
    source.append();
    source.fieldByName(QStringLiteral("TEXTO")).setAsString(awkward);
    source.fieldByName(QStringLiteral("DIA")).setValue(QDate(1899, 12, 29));
    source.fieldByName(QStringLiteral("MOMENTO")).setValue(moment);
    source.fieldByName(QStringLiteral("VALOR")).setAsFloat(0.1 + 0.2);
    source.fieldByName(QStringLiteral("QTD")).setValue(-2147483647 - 1);
    source.fieldByName(QStringLiteral("ATIVO")).setValue(false);
    source.post();
    source.append(); // all null
    source.post();
    source.append();
    source.fieldByName(QStringLiteral("TEXTO")).setAsString(QString()); // empty, not null
    source.fieldByName(QStringLiteral("VALOR")).setAsFloat(-1e-300);
    source.fieldByName(QStringLiteral("ATIVO")).setValue(true);
    source.fieldByName(QStringLiteral("MOMENTO")).setValue(QDateTime(QDate(2018, 11, 4), QTime(12, 0)));
    source.post();

    const QVariant data = source.data();
    ASSERT_EQ(data.typeId(), QMetaType::QByteArray);

    ClientDataSet copy; // no declared fields: the packet gives the structure
    copy.setData(data);
    ASSERT_EQ(copy.fields().size(), 6);
    for (int i = 0; i < 6; ++i) {
        const Field *a = source.fields().at(i);
        const Field *b = copy.fields().at(i);
        EXPECT_EQ(a->fieldName(), b->fieldName());
        EXPECT_EQ(a->dataType(), b->dataType());
        EXPECT_EQ(a->size(), b->size());
    }
    ASSERT_EQ(copy.recordCount(), 3);
    for (source.first(), copy.first(); !source.eof(); source.next(), copy.next()) {
        for (int i = 0; i < 6; ++i) {
            const Field *a = source.fields().at(i);
            const Field *b = copy.fields().at(i);
            EXPECT_EQ(a->isNull(), b->isNull()) << a->fieldName().toStdString() << " row " << source.recNo();
            EXPECT_EQ(a->value(), b->value()) << a->fieldName().toStdString() << " row " << source.recNo();
        }
    }
    copy.first();
    EXPECT_EQ(copy.fieldByName(QStringLiteral("TEXTO")).asString(), awkward);
    EXPECT_EQ(copy.fieldByName(QStringLiteral("MOMENTO")).value().toDateTime().time().msec(), 7);
    EXPECT_EQ(copy.data(), data); // and the copy writes the same packet
}

TEST(ClientDataSetPacket, DeclaredFieldsTakeTheirColumnsByName)
{
    ClientDataSet ds(QStringLiteral("cdsImpRed"));
    addTaxFields(ds);
    // Other order, an extra field, and nulls for missing attributes.
    ds.setData(packet(R"(<?xml version="1.0" encoding="UTF-8"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="VRIMPOSTORZ" fieldtype="r8"/>
<FIELD attrname="OBS" fieldtype="string" WIDTH="20"/>
<FIELD attrname="CDIMPOSTO" fieldtype="string" WIDTH="2"/>
<FIELD attrname="VRBCALCIMPRZ" fieldtype="r8"/>
<FIELD attrname="VRALIQIMPRZ" fieldtype="r8"/>
<FIELD attrname="DTREDUCAOZ" fieldtype="date"/>
<FIELD attrname="NRECFREDZ" fieldtype="string" WIDTH="10"/>
<FIELD attrname="CDCAIXA" fieldtype="string" WIDTH="3"/>
<FIELD attrname="CDFILIAL" fieldtype="string" WIDTH="4"/>
</FIELDS><PARAMS/></METADATA><ROWDATA>
<ROW RowState="4" CDFILIAL="0001" CDCAIXA="001" NRECFREDZ="0042" DTREDUCAOZ="20261208" CDIMPOSTO="T1" VRALIQIMPRZ="18" VRBCALCIMPRZ="123.45" VRIMPOSTORZ="22.22" OBS="x"/>
<ROW CDIMPOSTO="T2"/>
</ROWDATA></DATAPACKET>)"));
    EXPECT_EQ(ds.fields().size(), 9);
    EXPECT_EQ(ds.fields().at(0)->fieldName(), QStringLiteral("CDFILIAL"));
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).asFloat(), 22.22);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("VRBCALCIMPRZ")).asFloat(), 123.45);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("DTREDUCAOZ")).value(), QVariant(QDate(2026, 12, 8)));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("OBS")).asString(), QStringLiteral("x"));
    ds.next();
    EXPECT_TRUE(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).isNull());
    EXPECT_EQ(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).asFloat(), 0.0);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("CDFILIAL")).asString(), QString());

    // A new packet replaces rows and the extra fields.
    ClientDataSet other;
    addTaxFields(other);
    other.createDataSet();
    appendTax(other, QStringLiteral("T9"), 1, 2, 3);
    ds.setData(other.data());
    EXPECT_EQ(ds.fields().size(), 8);
    EXPECT_THROW(ds.fieldByName(QStringLiteral("OBS")), EDataSetError);
    EXPECT_EQ(column(ds, QStringLiteral("CDIMPOSTO")), QStringList({QStringLiteral("T9")}));
}

TEST(ClientDataSetPacket, ReadsWindows1252)
{
    const QByteArray bytes = Win1252::encode(QStringLiteral(
        R"(<?xml version="1.0" encoding="windows-1252" standalone="yes"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="DSMODMARCAECF" fieldtype="string" WIDTH="30"/>
</FIELDS><PARAMS/></METADATA><ROWDATA><ROW DSMODMARCAECF="Impressão ação €"/></ROWDATA></DATAPACKET>)"));
    ASSERT_TRUE(bytes.contains("\xe7\xe3o \x80"));
    ClientDataSet ds;
    ds.setData(bytes);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("DSMODMARCAECF")).asString(), QStringLiteral("Impressão ação €"));
}

TEST(ClientDataSetPacket, RefusedPacketsLeaveTheDataSetAsItWas)
{
    struct Bad {
        QVariant packet;
        const char *named; // what the message must mention
    };
    const char *head = R"(<?xml version="1.0"?><DATAPACKET Version="2.0"><METADATA><FIELDS>)";
    auto with = [head](const char *fields, const char *rows) {
        return QVariant(QByteArray(head) + fields + "</FIELDS></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>");
    };
    const Bad cases[] = {
        {QVariant(), "vazio"},
        {QVariant(QByteArray()), "vazio"},
        {packet("não é XML"), "XML"},
        {packet(R"(<DATAPACKET><METADATA><FIELDS>)"), "XML"},
        {packet(R"(<?xml version="1.0"?><TABELA/>)"), "TABELA"},
        {packet(R"(<DATAPACKET Version="2.0"><ROWDATA/></DATAPACKET>)"), "METADATA"},
        {packet(R"(<DATAPACKET Version="2.0"><METADATA/></DATAPACKET>)"), "FIELDS"},
        {with(R"(<FIELD fieldtype="string" WIDTH="4"/>)", ""), "attrname"},
        {with(R"(<FIELD attrname="A" fieldtype="currency"/>)", ""), "currency"},
        {with(R"(<FIELD attrname="A" fieldtype="string" WIDTH="x"/>)", ""), "WIDTH"},
        {with(R"(<FIELD attrname="A" fieldtype="i4"/><FIELD attrname="A" fieldtype="i4"/>)", ""), "'A'"},
        {with(R"(<FIELD attrname="D" fieldtype="date"/>)", R"(<ROW D="20260231"/>)"), "20260231"},
        {with(R"(<FIELD attrname="T" fieldtype="dateTime"/>)", R"(<ROW T="2026-12-08 10:00"/>)"), "2026-12-08"},
        {with(R"(<FIELD attrname="V" fieldtype="r8"/>)", R"(<ROW V="12,5"/>)"), "12,5"},
        // A sign or a year 0 in a date used to read as a year before Christ.
        {with(R"(<FIELD attrname="D" fieldtype="date"/>)", R"(<ROW D="-0011208"/>)"), "-0011208"},
        {with(R"(<FIELD attrname="T" fieldtype="dateTime"/>)", R"(<ROW T="00001208T13:45:01000"/>)"), "00001208"},
        {with(R"(<FIELD attrname="Q" fieldtype="i4"/>)", R"(<ROW Q="3000000000"/>)"), "3000000000"},
        {with(R"(<FIELD attrname="B" fieldtype="boolean"/>)", R"(<ROW B="S"/>)"), "'B'"},
        {with(R"(<FIELD attrname="A" fieldtype="i4"/>)", R"(<LINHA A="1"/>)"), "LINHA"},
        {QVariant(QByteArray(ParameterPacket) + "<extra/>"), "XML"},
        {QVariant(42), "int"},
    };

    ClientDataSet ds(QStringLiteral("cdsParametro"));
    ds.setData(packet(ParameterPacket));
    ds.edit(); // an edit under way stays under way
    ds.fieldByName(QStringLiteral("IDGERAARQVNDRIO")).setAsString(QStringLiteral("N"));
    for (const Bad &bad : cases) {
        try {
            ds.setData(bad.packet);
            ADD_FAILURE() << "accepted: " << bad.packet.toByteArray().toStdString();
        } catch (const EDataSetError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(bad.named))) << e.message().toStdString();
        }
        EXPECT_EQ(ds.state(), ClientDataSet::State::Edit);
        EXPECT_EQ(ds.fields().size(), 2);
        EXPECT_EQ(ds.recordCount(), 1);
        EXPECT_EQ(ds.fieldByName(QStringLiteral("IDGERAARQVNDRIO")).asString(), QStringLiteral("N"));
    }
    ds.cancel();
    EXPECT_EQ(ds.fieldByName(QStringLiteral("IDESQUEMA")).asString(), QStringLiteral("0001"));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("IDGERAARQVNDRIO")).asString(), QStringLiteral("S"));
}

TEST(ClientDataSetPacket, MissingDeclaredFieldIsNamed)
{
    ClientDataSet source;
    addTaxFields(source);
    source.createDataSet();
    appendTax(source, QStringLiteral("T1"), 18, 100, 18);

    ClientDataSet partial; // the same list without the tax amount
    for (Field *f : source.fields())
        if (f->fieldName() != QStringLiteral("VRIMPOSTORZ"))
            partial.addField(f->fieldName(), f->dataType(), f->size());
    partial.createDataSet();
    partial.append();
    partial.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(QStringLiteral("T2"));
    partial.post();

    ClientDataSet ds(QStringLiteral("cdsImpRed"));
    addTaxFields(ds);
    ds.setData(source.data());
    try {
        ds.setData(partial.data());
        FAIL() << "packet without VRIMPOSTORZ accepted";
    } catch (const EDataSetError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("'VRIMPOSTORZ'"))) << e.message().toStdString();
    }
    EXPECT_EQ(column(ds, QStringLiteral("CDIMPOSTO")), QStringList({QStringLiteral("T1")}));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("VRIMPOSTORZ")).asFloat(), 18.0);

    // A declared float that arrives as text is refused too.
    ClientDataSet wrongType;
    wrongType.addField(QStringLiteral("VRIMPOSTORZ"), FieldType::String, 10);
    EXPECT_THROW(wrongType.setData(source.data()), EDataSetError);
    EXPECT_FALSE(wrongType.active());
}

TEST(ClientDataSetFiles, LoadsAndSavesPacketFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString parameters = dir.filePath(QStringLiteral("PARAMETROSKIV.CDS"));
    {
        QFile file(parameters);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ParameterPacket);
    }
    ClientDataSet ds(QStringLiteral("cdsParametro"));
    ds.loadFromFile(parameters);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("IDESQUEMA")).asString(), QStringLiteral("0001"));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("IDGERAARQVNDRIO")).asString(), QStringLiteral("S"));
    EXPECT_EQ(ds.fieldByName(QStringLiteral("IDESQUEMA")).size(), 10);

    ds.edit();
    ds.fieldByName(QStringLiteral("IDESQUEMA")).setAsString(QStringLiteral("0002"));
    ds.post();
    const QString saved = dir.filePath(QStringLiteral("copia.cds"));
    ds.saveToFile(saved);
    ClientDataSet reloaded;
    reloaded.loadFromFile(saved);
    EXPECT_EQ(reloaded.fieldByName(QStringLiteral("IDESQUEMA")).asString(), QStringLiteral("0002"));

    const QString missing = dir.filePath(QStringLiteral("PRAXUMO.CDS"));
    try {
        ds.loadFromFile(missing);
        FAIL() << "missing file accepted";
    } catch (const EDataSetError &e) {
        EXPECT_TRUE(e.message().contains(missing)) << e.message().toStdString();
    }
    {
        QFile file(missing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("lixo");
    }
    EXPECT_THROW(ds.loadFromFile(missing), EDataSetError);
    EXPECT_EQ(ds.fieldByName(QStringLiteral("IDESQUEMA")).asString(), QStringLiteral("0002"));
}

} // namespace
