#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "Win1252.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>
#include <limits>

namespace {
using Row = std::vector<QVariant>;

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

int toInt32(double value, const QVariant &original)
{
    const double rounded = std::round(value);
    if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()))
        throw EConvertError(QStringLiteral("'%1' está fora do intervalo dos inteiros").arg(original.toString()));
    return int(rounded);
}

bool textAsBoolean(const QString &text)
{
    const QString s = text.trimmed();
    return !s.isEmpty() && QStringLiteral("TtYySs").contains(s[0]);
}

// The value a field of this type holds for what is assigned to it.
QVariant coerce(FieldType type, int size, const QVariant &v)
{
    if (!v.isValid())
        return {};
    const int id = v.typeId();
    if ((id == QMetaType::QDate && !v.toDate().isValid()) || (id == QMetaType::QDateTime && !v.toDateTime().isValid()))
        return {}; // "no date"
    if (type == FieldType::String) {
        QString text;
        if (id == QMetaType::Double || id == QMetaType::Float)
            text = FormatSettings::floatToStr(v.toDouble());
        else if (id == QMetaType::QDate)
            text = FormatSettings::dateToStr(AutomationDate::fromDate(v.toDate()));
        else if (id == QMetaType::QDateTime)
            text = FormatSettings::dateTimeToStr(AutomationDate::fromDateTime(v.toDateTime()));
        else if (id == QMetaType::Bool)
            text = v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        else
            text = v.toString();
        if (size > 0 && text.size() > size)
            text.truncate(size);
        return text;
    }
    if (id == QMetaType::QString) {
        // An empty text clears a field that is not a text, as typed input does.
        const QString text = v.toString();
        if (text.trimmed().isEmpty())
            return {};
        switch (type) {
        case FieldType::Date:
            return AutomationDate::toDate(FormatSettings::strToDate(text));
        case FieldType::DateTime:
            return AutomationDate::toDateTime(FormatSettings::strToDateTime(text));
        case FieldType::Float:
            return FormatSettings::strToFloat(text);
        case FieldType::Integer:
            return FormatSettings::strToInt(text);
        case FieldType::Boolean:
            return textAsBoolean(text);
        case FieldType::String:
            break;
        }
    }
    double number = 0;
    if (id == QMetaType::QDate)
        number = AutomationDate::fromDate(v.toDate());
    else if (id == QMetaType::QDateTime)
        number = AutomationDate::fromDateTime(v.toDateTime());
    else if (id == QMetaType::Bool)
        number = v.toBool() ? 1 : 0;
    else if (isNumber(v))
        number = v.toDouble();
    else
        throw EConvertError(QStringLiteral("Valor do tipo %1 não pode ser atribuído a este campo")
                                .arg(QString::fromLatin1(v.typeName())));
    switch (type) {
    case FieldType::Date:
        return id == QMetaType::QDateTime ? v.toDateTime().toLocalTime().date() : AutomationDate::toDate(number);
    case FieldType::DateTime:
        return id == QMetaType::QDateTime ? v.toDateTime().toLocalTime() : AutomationDate::toDateTime(number);
    case FieldType::Float:
        return number;
    case FieldType::Integer:
        return toInt32(number, v);
    case FieldType::Boolean:
        return number != 0;
    case FieldType::String:
        break;
    }
    return {};
}

// The packet's name of each field type.
QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return QStringLiteral("string");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::DateTime:
        return QStringLiteral("dateTime");
    case FieldType::Float:
        return QStringLiteral("r8");
    case FieldType::Integer:
        return QStringLiteral("i4");
    case FieldType::Boolean:
        return QStringLiteral("boolean");
    }
    return {};
}

QString valueText(FieldType type, const QVariant &v)
{
    switch (type) {
    case FieldType::String:
        return v.toString();
    case FieldType::Date:
        return v.toDate().toString(QStringLiteral("yyyyMMdd"));
    case FieldType::DateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.date().toString(QStringLiteral("yyyyMMdd")) + u'T'
            + dt.time().toString(QStringLiteral("HH:mm:sszzz"));
    }
    case FieldType::Float:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case FieldType::Integer:
        return QString::number(v.toInt());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }
    return {};
}

int digitsAt(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// yyyyMMdd at the start of the text; invalid unless every character is a
// digit (a -1 from digitsAt would otherwise pass for the year 1 BC).
QDate packetDate(QStringView text)
{
    const int y = digitsAt(text, 0, 4), m = digitsAt(text, 4, 2), d = digitsAt(text, 6, 2);
    if (y < 1 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);
}

// Reads a packet value; an invalid QVariant when the text does not parse.
QVariant parseValue(FieldType type, QStringView text)
{
    switch (type) {
    case FieldType::String:
        return text.toString();
    case FieldType::Date: {
        if (text.size() != 8)
            return {};
        const QDate date = packetDate(text);
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case FieldType::DateTime: {
        // yyyyMMddTHH:mm:sszzz
        if (text.size() != 20 || text[8] != u'T' || text[11] != u':' || text[14] != u':')
            return {};
        const QDate date = packetDate(text);
        const QTime time(digitsAt(text, 9, 2), digitsAt(text, 12, 2), digitsAt(text, 15, 2),
                         digitsAt(text, 17, 3));
        if (!date.isValid() || !time.isValid())
            return {};
        return AutomationDate::localDateTime(date, time);
    }
    case FieldType::Float: {
        bool ok = false;
        const double value = QLocale::c().toDouble(text, &ok);
        return ok ? QVariant(value) : QVariant();
    }
    case FieldType::Integer: {
        bool ok = false;
        const int value = text.toInt(&ok);
        return ok ? QVariant(value) : QVariant();
    }
    case FieldType::Boolean:
        if (text.compare(u"TRUE", Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(u"FALSE", Qt::CaseInsensitive) == 0)
            return false;
        return {};
    }
    return {};
}

// The character set named in the XML declaration, if any.
QByteArray declaredEncoding(const QByteArray &bytes)
{
    qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (bytes.mid(start, 5) != "<?xml")
        return {};
    const qsizetype end = bytes.indexOf("?>", start);
    if (end < 0)
        return {};
    static const QRegularExpression encoding(QStringLiteral(R"(encoding\s*=\s*["']([^"']*)["'])"));
    const QRegularExpressionMatch m = encoding.match(QString::fromLatin1(bytes.mid(start, end - start)));
    return m.hasMatch() ? m.captured(1).toLatin1().toLower() : QByteArray();
}

struct PacketField {
    QString name;
    FieldType type;
    int size;
};

[[noreturn]] void refuse(const QString &what)
{
    throw EDataSetError(QStringLiteral("Pacote de dados inválido: %1").arg(what));
}
} // namespace

// ---------------------------------------------------------------------------

struct ClientDataSet::Impl {
    ClientDataSet *q;
    std::vector<std::unique_ptr<Field>> persistent;
    std::vector<std::unique_ptr<Field>> extra; // fields of the loaded packet that were not declared
    std::vector<Field *> columns;              // persistent, then extra: the layout of every row
    std::vector<Row> rows;

    bool active = false;
    State state = State::Inactive;
    int pos = 0;
    bool bof = true;
    bool eof = true;
    Row buffer; // the row being inserted or edited
    int insertAt = 0;

    explicit Impl(ClientDataSet *owner) : q(owner) {}

    QString prefixed(const QString &message) const
    {
        return q->name().isEmpty() ? message : q->name() + QStringLiteral(": ") + message;
    }

    void requireActive() const
    {
        if (!active)
            throw EDataSetError(prefixed(QStringLiteral("Operação não permitida em um conjunto de dados fechado")));
    }

    bool editing() const { return active && (state == State::Insert || state == State::Edit); }

    // Leaving a row that is being inserted or edited posts it first.
    void checkBrowseMode()
    {
        requireActive();
        if (editing())
            q->post();
    }

    void rebuildColumns()
    {
        columns.clear();
        for (auto &f : persistent)
            columns.push_back(f.get());
        for (auto &f : extra)
            columns.push_back(f.get());
        for (size_t i = 0; i < columns.size(); ++i)
            columns[i]->m_column = int(i);
    }

    void resetCursor()
    {
        pos = 0;
        bof = true;
        eof = rows.empty();
    }

    const QVariant *current(int column) const
    {
        if (!active || column < 0 || size_t(column) >= columns.size())
            return nullptr;
        if (editing())
            return &buffer[size_t(column)];
        if (rows.empty())
            return nullptr;
        return &rows[size_t(pos)][size_t(column)];
    }

    Field *find(QStringView fieldName) const
    {
        for (Field *f : columns)
            if (f->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
                return f;
        return nullptr;
    }

    void load(const QVariant &packet);
    QByteArray write() const;
};

void ClientDataSet::Impl::load(const QVariant &packet)
{
    QXmlStreamReader xml;
    QString decoded;
    if (packet.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = packet.toByteArray();
        if (bytes.isEmpty())
            refuse(QStringLiteral("o pacote está vazio"));
        const QByteArray encoding = declaredEncoding(bytes);
        if (encoding == "windows-1252" || encoding == "cp1252") {
            // The reader knows no 8-bit code pages: hand it the text already decoded.
            decoded = Win1252::decode(bytes);
            xml.addData(decoded);
        } else {
            xml.addData(bytes);
        }
    } else if (packet.typeId() == QMetaType::QString) {
        decoded = packet.toString();
        if (decoded.isEmpty())
            refuse(QStringLiteral("o pacote está vazio"));
        xml.addData(decoded);
    } else {
        refuse(packet.isValid() ? QStringLiteral("um valor do tipo %1 não é um pacote de dados")
                                      .arg(QString::fromLatin1(packet.typeName()))
                                : QStringLiteral("o pacote está vazio"));
    }

    auto xmlError = [&xml] {
        refuse(QStringLiteral("XML malformado na linha %1, coluna %2: %3")
                   .arg(xml.lineNumber())
                   .arg(xml.columnNumber())
                   .arg(xml.errorString()));
    };

    if (!xml.readNextStartElement()) {
        if (xml.hasError())
            xmlError();
        refuse(QStringLiteral("não há elemento DATAPACKET"));
    }
    if (xml.name() != u"DATAPACKET")
        refuse(QStringLiteral("o elemento raiz é '%1' e não DATAPACKET").arg(xml.name()));

    std::vector<PacketField> packetFields;
    std::vector<int> target; // column of each packet field in the new layout
    std::vector<std::unique_ptr<Field>> newExtra;
    std::vector<Row> newRows;
    bool sawMetadata = false;
    bool sawFields = false;
    const size_t persistentCount = persistent.size();

    auto readFields = [&] {
        sawFields = true;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"FIELD")
                refuse(QStringLiteral("elemento inesperado '%1' em FIELDS").arg(xml.name()));
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString name = attributes.value(QLatin1StringView("attrname")).toString();
            if (name.isEmpty())
                refuse(QStringLiteral("FIELD sem attrname (campo %1)").arg(packetFields.size() + 1));
            const QStringView typeText = attributes.value(QLatin1StringView("fieldtype"));
            PacketField field{name, FieldType::String, 0};
            int widthDivisor = 1;
            if (typeText == u"string")
                field.type = FieldType::String;
            else if (typeText == u"string.uni") { // width in bytes of two-byte characters
                field.type = FieldType::String;
                widthDivisor = 2;
            } else if (typeText == u"date")
                field.type = FieldType::Date;
            else if (typeText == u"dateTime")
                field.type = FieldType::DateTime;
            else if (typeText == u"r8")
                field.type = FieldType::Float;
            else if (typeText == u"i4")
                field.type = FieldType::Integer;
            else if (typeText == u"boolean")
                field.type = FieldType::Boolean;
            else
                refuse(QStringLiteral("tipo de campo '%1' desconhecido no campo '%2'").arg(typeText, name));
            if (field.type == FieldType::String && attributes.hasAttribute(QLatin1StringView("WIDTH"))) {
                bool ok = false;
                field.size = attributes.value(QLatin1StringView("WIDTH")).toInt(&ok) / widthDivisor;
                if (!ok || field.size < 0)
                    refuse(QStringLiteral("WIDTH '%1' inválido no campo '%2'")
                               .arg(attributes.value(QLatin1StringView("WIDTH")), name));
            }
            for (const PacketField &seen : packetFields)
                if (seen.name.compare(name, Qt::CaseInsensitive) == 0)
                    refuse(QStringLiteral("campo '%1' repetido").arg(name));
            packetFields.push_back(field);
            xml.skipCurrentElement();
        }
    };

    // Declared fields take their packet column by name; the packet's other
    // fields follow them. Without declared fields the packet gives the layout.
    auto layOut = [&] {
        target.assign(packetFields.size(), -1);
        for (size_t p = 0; p < persistentCount; ++p) {
            const Field &f = *persistent[p];
            size_t k = 0;
            while (k < packetFields.size() && packetFields[k].name.compare(f.fieldName(), Qt::CaseInsensitive) != 0)
                ++k;
            if (k == packetFields.size())
                throw EDataSetError(prefixed(QStringLiteral("Campo '%1' não encontrado no pacote de dados")
                                                 .arg(f.fieldName())));
            if (packetFields[k].type != f.dataType())
                throw EDataSetError(prefixed(QStringLiteral("Tipo incompatível no campo '%1': esperado %2, "
                                                            "o pacote traz %3")
                                                 .arg(f.fieldName(), typeName(f.dataType()),
                                                      typeName(packetFields[k].type))));
            target[k] = int(p);
        }
        for (size_t k = 0; k < packetFields.size(); ++k) {
            if (target[k] >= 0)
                continue;
            target[k] = int(persistentCount + newExtra.size());
            const PacketField &pf = packetFields[k];
            newExtra.push_back(std::make_unique<Field>(q, pf.name, pf.type, pf.size, QString(), true,
                                                       q->name() + pf.name));
        }
    };

    auto readRows = [&] {
        const size_t width = persistentCount + newExtra.size();
        while (xml.readNextStartElement()) {
            if (xml.name() != u"ROW")
                refuse(QStringLiteral("elemento inesperado '%1' em ROWDATA").arg(xml.name()));
            Row row(width);
            size_t hint = 0; // attributes usually come in field order
            const QXmlStreamAttributes attributes = xml.attributes();
            for (const QXmlStreamAttribute &attribute : attributes) {
                const QStringView attrName = attribute.name();
                size_t k = hint;
                size_t tried = 0;
                while (tried < packetFields.size() && packetFields[k].name != attrName) {
                    k = (k + 1) % packetFields.size();
                    ++tried;
                }
                if (tried == packetFields.size())
                    continue; // row bookkeeping such as RowState
                hint = (k + 1) % packetFields.size();
                QVariant value = parseValue(packetFields[k].type, attribute.value());
                if (!value.isValid())
                    refuse(QStringLiteral("valor '%1' inválido para o campo '%2' (%3) na linha %4")
                               .arg(attribute.value(), packetFields[k].name, typeName(packetFields[k].type))
                               .arg(newRows.size() + 1));
                row[size_t(target[k])] = std::move(value);
            }
            newRows.push_back(std::move(row));
            xml.skipCurrentElement();
        }
    };

    while (xml.readNextStartElement()) {
        if (xml.name() == u"METADATA") {
            if (sawMetadata)
                refuse(QStringLiteral("METADATA repetido"));
            sawMetadata = true;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"FIELDS" && !sawFields)
                    readFields();
                else
                    xml.skipCurrentElement();
            }
            if (xml.hasError())
                xmlError();
            if (!sawFields)
                refuse(QStringLiteral("METADATA sem FIELDS"));
            layOut();
        } else if (xml.name() == u"ROWDATA") {
            if (!sawMetadata)
                refuse(QStringLiteral("ROWDATA antes de METADATA"));
            readRows();
        } else {
            xml.skipCurrentElement();
        }
    }
    while (!xml.atEnd() && !xml.hasError())
        xml.readNext(); // anything after the root is an error too
    if (xml.hasError())
        xmlError();
    if (!sawMetadata)
        refuse(QStringLiteral("falta METADATA"));

    // Everything read: only now does the dataset let go of what it held.
    extra = std::move(newExtra);
    rows = std::move(newRows);
    buffer.clear();
    rebuildColumns();
    active = true;
    state = State::Browse;
    resetCursor();
}

QByteArray ClientDataSet::Impl::write() const
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("DATAPACKET"));
    xml.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("METADATA"));
    xml.writeStartElement(QStringLiteral("FIELDS"));
    for (const Field *f : columns) {
        xml.writeEmptyElement(QStringLiteral("FIELD"));
        xml.writeAttribute(QStringLiteral("attrname"), f->fieldName());
        xml.writeAttribute(QStringLiteral("fieldtype"), typeName(f->dataType()));
        if (f->dataType() == FieldType::String)
            xml.writeAttribute(QStringLiteral("WIDTH"), QString::number(f->size()));
    }
    xml.writeEndElement(); // FIELDS
    xml.writeEmptyElement(QStringLiteral("PARAMS"));
    xml.writeEndElement(); // METADATA
    xml.writeStartElement(QStringLiteral("ROWDATA"));
    if (active) {
        for (const Row &row : rows) {
            xml.writeEmptyElement(QStringLiteral("ROW"));
            for (size_t i = 0; i < columns.size(); ++i)
                if (row[i].isValid()) // a null is an absent attribute
                    xml.writeAttribute(columns[i]->fieldName(), valueText(columns[i]->dataType(), row[i]));
        }
    }
    xml.writeEndElement(); // ROWDATA
    xml.writeEndElement(); // DATAPACKET
    xml.writeEndDocument();
    return out;
}

// ---------------------------------------------------------------------------

Field::Field(ClientDataSet *owner, QString fieldName, FieldType type, int size, QString displayLabel,
             bool visible, QString componentName)
    : m_owner(owner), m_fieldName(std::move(fieldName)), m_type(type), m_size(size),
      m_displayLabel(std::move(displayLabel)), m_visible(visible), m_componentName(std::move(componentName))
{
}

bool Field::isNull() const
{
    return !value().isValid();
}

QVariant Field::value() const
{
    if (!m_owner)
        return {};
    const QVariant *v = m_owner->d->current(m_column);
    return v ? *v : QVariant();
}

void Field::setValue(const QVariant &value)
{
    if (!m_owner || !m_owner->d->editing())
        throw EDataSetError(m_owner ? m_owner->d->prefixed(QStringLiteral("Conjunto de dados não está em modo de "
                                                                          "inserção ou edição"))
                                    : QStringLiteral("Campo '%1' sem conjunto de dados").arg(m_fieldName));
    if (m_column < 0)
        throw EDataSetError(QStringLiteral("Campo '%1' não pertence à estrutura aberta").arg(m_fieldName));
    m_owner->d->buffer[size_t(m_column)] = coerce(m_type, m_size, value);
}

void Field::clear()
{
    setValue(QVariant());
}

QString Field::asString() const
{
    const QVariant v = value();
    if (!v.isValid())
        return {};
    switch (m_type) {
    case FieldType::String:
        return v.toString();
    case FieldType::Date:
        return FormatSettings::dateToStr(AutomationDate::fromDate(v.toDate()));
    case FieldType::DateTime:
        return FormatSettings::dateTimeToStr(AutomationDate::fromDateTime(v.toDateTime()));
    case FieldType::Float:
        return FormatSettings::floatToStr(v.toDouble());
    case FieldType::Integer:
        return QString::number(v.toInt());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    switch (m_type) {
    case FieldType::String:
        return FormatSettings::strToFloat(v.toString());
    case FieldType::Date:
        return AutomationDate::fromDate(v.toDate());
    case FieldType::DateTime:
        return AutomationDate::fromDateTime(v.toDateTime());
    case FieldType::Float:
    case FieldType::Integer:
        return v.toDouble();
    case FieldType::Boolean:
        return v.toBool() ? 1 : 0;
    }
    return 0;
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    switch (m_type) {
    case FieldType::String:
        return FormatSettings::strToInt(v.toString());
    case FieldType::Integer:
        return v.toInt();
    case FieldType::Boolean:
        return v.toBool() ? 1 : 0;
    case FieldType::Date:
    case FieldType::DateTime:
        return int(std::trunc(asFloat()));
    case FieldType::Float:
        return toInt32(v.toDouble(), v);
    }
    return 0;
}

bool Field::asBoolean() const
{
    const QVariant v = value();
    if (!v.isValid())
        return false;
    switch (m_type) {
    case FieldType::String:
        return textAsBoolean(v.toString());
    case FieldType::Boolean:
        return v.toBool();
    default:
        return asFloat() != 0;
    }
}

TDateTime Field::asDateTime() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    switch (m_type) {
    case FieldType::String:
        return FormatSettings::strToDateTime(v.toString());
    case FieldType::Date:
        return AutomationDate::fromDate(v.toDate());
    case FieldType::DateTime:
        return AutomationDate::fromDateTime(v.toDateTime());
    default:
        return asFloat();
    }
}

void Field::setAsString(const QString &text)
{
    setValue(text);
}

void Field::setAsFloat(double value)
{
    setValue(value);
}

void Field::setAsInteger(int value)
{
    setValue(value);
}

void Field::setAsBoolean(bool value)
{
    setValue(value);
}

void Field::setAsDateTime(TDateTime value)
{
    switch (m_type) {
    case FieldType::Date:
        setValue(AutomationDate::toDate(value));
        break;
    case FieldType::DateTime:
        setValue(AutomationDate::toDateTime(value));
        break;
    case FieldType::String:
        setValue(FormatSettings::dateTimeToStr(value));
        break;
    default:
        setValue(value);
        break;
    }
}

// ---------------------------------------------------------------------------

ClientDataSet::ClientDataSet(QString name) : d(std::make_unique<Impl>(this)), m_name(std::move(name)) {}

ClientDataSet::~ClientDataSet() = default;

Field &ClientDataSet::addField(const QString &fieldName, FieldType type, int size, const QString &displayLabel,
                               bool visible, const QString &componentName)
{
    if (d->active)
        throw EDataSetError(d->prefixed(QStringLiteral("Não é possível incluir o campo '%1' com o conjunto de "
                                                       "dados aberto")
                                            .arg(fieldName)));
    if (fieldName.isEmpty() || d->find(fieldName))
        throw EDataSetError(d->prefixed(QStringLiteral("Nome de campo '%1' inválido ou repetido").arg(fieldName)));
    d->persistent.push_back(std::make_unique<Field>(this, fieldName, type, size, displayLabel, visible,
                                                    componentName.isEmpty() ? m_name + fieldName : componentName));
    d->rebuildColumns();
    return *d->persistent.back();
}

QList<Field *> ClientDataSet::fields() const
{
    return QList<Field *>(d->columns.begin(), d->columns.end());
}

int ClientDataSet::fieldCount() const
{
    return int(d->columns.size());
}

Field &ClientDataSet::fieldByName(const QString &fieldName) const
{
    Field *f = d->find(fieldName);
    if (!f)
        throw EDataSetError(QStringLiteral("Campo '%1' não encontrado").arg(fieldName));
    return *f;
}

Field *ClientDataSet::findField(const QString &fieldName) const
{
    return d->find(fieldName);
}

void ClientDataSet::createDataSet()
{
    if (d->persistent.empty())
        throw EDataSetError(d->prefixed(QStringLiteral("Não há campos definidos para criar o conjunto de dados")));
    d->extra.clear();
    d->rows.clear();
    d->buffer.clear();
    d->rebuildColumns();
    d->active = true;
    d->state = State::Browse;
    d->resetCursor();
}

void ClientDataSet::open()
{
    if (d->active)
        return;
    d->rows.clear();
    d->rebuildColumns();
    d->active = true;
    d->state = State::Browse;
    d->resetCursor();
}

void ClientDataSet::close()
{
    d->active = false;
    d->state = State::Inactive;
    d->rows.clear();
    d->buffer.clear();
    d->extra.clear();
    d->rebuildColumns();
    d->resetCursor();
}

bool ClientDataSet::active() const
{
    return d->active;
}

ClientDataSet::State ClientDataSet::state() const
{
    return d->active ? d->state : State::Inactive;
}

int ClientDataSet::recordCount() const
{
    return d->active ? int(d->rows.size()) : 0;
}

bool ClientDataSet::isEmpty() const
{
    return recordCount() == 0;
}

int ClientDataSet::recNo() const
{
    if (!d->active)
        return 0;
    if (d->state == State::Insert)
        return d->insertAt + 1;
    return d->rows.empty() ? 0 : d->pos + 1;
}

void ClientDataSet::first()
{
    d->checkBrowseMode();
    d->resetCursor();
}

void ClientDataSet::next()
{
    d->checkBrowseMode();
    if (d->eof)
        return;
    d->bof = false;
    if (size_t(d->pos) + 1 < d->rows.size())
        ++d->pos;
    else
        d->eof = true;
}

void ClientDataSet::prior()
{
    d->checkBrowseMode();
    if (d->bof)
        return;
    d->eof = false;
    if (d->pos > 0)
        --d->pos;
    else
        d->bof = true;
}

void ClientDataSet::last()
{
    d->checkBrowseMode();
    d->pos = d->rows.empty() ? 0 : int(d->rows.size()) - 1;
    d->eof = true;
    d->bof = d->rows.empty();
}

bool ClientDataSet::eof() const
{
    return !d->active || d->eof;
}

bool ClientDataSet::bof() const
{
    return !d->active || d->bof;
}

void ClientDataSet::insert()
{
    d->checkBrowseMode();
    d->buffer.assign(d->columns.size(), QVariant());
    d->insertAt = d->rows.empty() ? 0 : d->pos;
    d->state = State::Insert;
}

void ClientDataSet::append()
{
    d->checkBrowseMode();
    d->buffer.assign(d->columns.size(), QVariant());
    d->insertAt = int(d->rows.size());
    d->state = State::Insert;
}

void ClientDataSet::edit()
{
    d->requireActive();
    if (d->editing())
        return;
    if (d->rows.empty()) {
        insert();
        return;
    }
    d->buffer = d->rows[size_t(d->pos)];
    d->state = State::Edit;
}

void ClientDataSet::post()
{
    d->requireActive();
    if (!d->editing())
        return;
    if (beforePost)
        beforePost(*this); // may still change the row, or refuse it by raising
    if (d->state == State::Insert) {
        d->rows.insert(d->rows.begin() + d->insertAt, std::move(d->buffer));
        d->pos = d->insertAt;
    } else {
        d->rows[size_t(d->pos)] = std::move(d->buffer);
    }
    d->buffer.clear();
    d->state = State::Browse;
    d->bof = false;
    d->eof = false;
}

void ClientDataSet::cancel()
{
    if (!d->editing())
        return;
    d->buffer.clear();
    d->state = State::Browse;
    if (d->rows.empty())
        d->resetCursor();
}

QVariant ClientDataSet::data() const
{
    return d->write();
}

void ClientDataSet::setData(const QVariant &packet)
{
    d->load(packet);
}

void ClientDataSet::loadFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EDataSetError(d->prefixed(QStringLiteral("Não foi possível abrir o arquivo '%1': %2")
                                            .arg(path, file.errorString())));
    const QByteArray bytes = file.readAll();
    try {
        d->load(bytes);
    } catch (const EDataSetError &e) {
        throw EDataSetError(QStringLiteral("Arquivo '%1': %2").arg(path, e.message()));
    }
}

void ClientDataSet::saveToFile(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(d->write()) < 0 || !file.commit())
        throw EDataSetError(d->prefixed(QStringLiteral("Não foi possível gravar o arquivo '%1': %2")
                                            .arg(path, file.errorString())));
}
