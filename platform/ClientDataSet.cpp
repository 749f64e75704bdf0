#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "InputLimits.h"
#include "Win1252.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <cstring>
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
        throw EConvertError(
            QStringLiteral("'%1' está fora do intervalo dos inteiros").arg(InputLimits::excerpt(original.toString())));
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

namespace {
// What a packet says, before it is laid over the dataset: its fields and, for
// each row, the attributes as they stand.
using RawRow = std::vector<std::pair<QString, QString>>;
struct ParsedPacket {
    std::vector<PacketField> fields;
    std::vector<RawRow> rows;
};

PacketField fieldOf(const QString &name, QStringView typeText, bool hasWidth, QStringView widthText,
                    const std::vector<PacketField> &seen)
{
    if (name.isEmpty())
        refuse(QStringLiteral("FIELD sem attrname (campo %1)").arg(seen.size() + 1));
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
        refuse(QStringLiteral("tipo de campo '%1' desconhecido no campo '%2'")
                   .arg(InputLimits::excerpt(typeText.toString()), InputLimits::excerpt(name)));
    if (field.type == FieldType::String && hasWidth) {
        bool ok = false;
        field.size = widthText.toInt(&ok) / widthDivisor;
        if (!ok || field.size < 0)
            refuse(QStringLiteral("WIDTH '%1' inválido no campo '%2'")
                       .arg(InputLimits::excerpt(widthText.toString()), InputLimits::excerpt(name)));
    }
    for (const PacketField &other : seen)
        if (other.name.compare(name, Qt::CaseInsensitive) == 0)
            refuse(QStringLiteral("campo '%1' repetido").arg(InputLimits::excerpt(name)));
    return field;
}

// The full XML reader: any well-formed document, every fault named.
ParsedPacket readWithXmlReader(QXmlStreamReader &xml)
{
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
        refuse(QStringLiteral("o elemento raiz é '%1' e não DATAPACKET").arg(InputLimits::excerpt(xml.name().toString())));

    ParsedPacket parsed;
    bool sawMetadata = false;
    bool sawFields = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"METADATA") {
            if (sawMetadata)
                refuse(QStringLiteral("METADATA repetido"));
            sawMetadata = true;
            while (xml.readNextStartElement()) {
                if (xml.name() != u"FIELDS" || sawFields) {
                    xml.skipCurrentElement();
                    continue;
                }
                sawFields = true;
                while (xml.readNextStartElement()) {
                    if (xml.name() != u"FIELD")
                        refuse(QStringLiteral("elemento inesperado '%1' em FIELDS").arg(InputLimits::excerpt(xml.name().toString())));
                    const QXmlStreamAttributes a = xml.attributes();
                    parsed.fields.push_back(fieldOf(a.value(QLatin1StringView("attrname")).toString(),
                                                    a.value(QLatin1StringView("fieldtype")),
                                                    a.hasAttribute(QLatin1StringView("WIDTH")),
                                                    a.value(QLatin1StringView("WIDTH")), parsed.fields));
                    xml.skipCurrentElement();
                }
            }
            if (xml.hasError())
                xmlError();
            if (!sawFields)
                refuse(QStringLiteral("METADATA sem FIELDS"));
        } else if (xml.name() == u"ROWDATA") {
            if (!sawMetadata)
                refuse(QStringLiteral("ROWDATA antes de METADATA"));
            while (xml.readNextStartElement()) {
                if (xml.name() != u"ROW")
                    refuse(QStringLiteral("elemento inesperado '%1' em ROWDATA").arg(InputLimits::excerpt(xml.name().toString())));
                RawRow row;
                for (const QXmlStreamAttribute &attribute : xml.attributes())
                    row.emplace_back(attribute.name().toString(), attribute.value().toString());
                parsed.rows.push_back(std::move(row));
                xml.skipCurrentElement();
            }
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
    return parsed;
}

// The packets this system writes use a small part of XML: UTF-8, elements
// with attributes, blanks between them. Reading that part by hand is several
// times quicker than the full reader, which is in the path of every save. Any
// other construct (comments, character data, other encodings, line breaks
// inside values, a fault of any kind) leaves the packet to the full reader,
// which then accepts it or names the fault.
class SimplePacketReader {
public:
    explicit SimplePacketReader(const QByteArray &bytes) : m_p(bytes.constData()), m_end(bytes.constData() + bytes.size()) {}

    struct Element {
        QByteArray name;
        RawRow attributes;
        std::vector<Element> children;
    };

    bool read(Element &root)
    {
        if (m_end - m_p >= 3 && memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
        if (m_end - m_p >= 5 && memcmp(m_p, "<?xml", 5) == 0 && !declaration())
            return false;
        blanks();
        if (!element(root, 0))
            return false;
        blanks();
        return m_p == m_end;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

    void blanks()
    {
        while (m_p < m_end && isBlank(*m_p))
            ++m_p;
    }

    bool name(QByteArray &out)
    {
        const char *start = m_p;
        if (m_p >= m_end || !isNameStart(*m_p))
            return false;
        while (m_p < m_end && isNameChar(*m_p))
            ++m_p;
        out = QByteArray(start, m_p - start);
        return true;
    }

    // <?xml version="1.0" encoding="UTF-8" standalone="yes"?>, UTF-8 or no encoding named.
    bool declaration()
    {
        m_p += 5;
        RawRow attributes;
        if (!attributeList(attributes) || m_end - m_p < 2 || memcmp(m_p, "?>", 2) != 0)
            return false;
        m_p += 2;
        // version, then optionally encoding and standalone, in this order.
        static const char *const order[] = {"version", "encoding", "standalone"};
        size_t next = 0;
        for (const auto &[n, v] : attributes) {
            while (next < 3 && n != QLatin1StringView(order[next]))
                ++next;
            if (next == 3)
                return false;
            if (next == 0 && v != u"1.0")
                return false;
            if (next == 1 && v.compare(u"UTF-8", Qt::CaseInsensitive) != 0)
                return false;
            if (next == 2 && v != u"yes" && v != u"no")
                return false;
            ++next;
        }
        return !attributes.empty() && attributes.front().first == u"version";
    }

    bool attributeList(RawRow &attributes)
    {
        for (;;) {
            const char *before = m_p;
            blanks();
            if (m_p >= m_end || !isNameStart(*m_p))
                return true;
            if (m_p == before)
                return false; // attributes are separated by blanks
            QByteArray attributeName;
            name(attributeName);
            blanks();
            if (m_p >= m_end || *m_p != '=')
                return false;
            ++m_p;
            blanks();
            if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
                return false;
            const char quote = *m_p++;
            const char *start = m_p;
            while (m_p < m_end && *m_p != quote)
                ++m_p;
            if (m_p >= m_end)
                return false;
            QString value;
            if (!text(start, m_p, value))
                return false;
            ++m_p;
            const QString key = QString::fromLatin1(attributeName);
            for (const auto &other : attributes)
                if (other.first == key)
                    return false;
            attributes.emplace_back(key, std::move(value));
        }
    }

    // An attribute value: the five named entities and character references;
    // '<', control characters and line breaks (which XML folds) go to the full reader.
    static bool text(const char *from, const char *to, QString &out)
    {
        const qsizetype length = to - from;
        if (memchr(from, '&', size_t(length)) == nullptr) {
            bool ascii = true;
            for (const char *c = from; c < to; ++c) {
                if (uchar(*c) < 0x20 || *c == '<')
                    return false;
                ascii = ascii && uchar(*c) < 0x80;
            }
            if (ascii) {
                out = QString::fromLatin1(from, length);
                return true;
            }
            QStringDecoder utf8(QStringDecoder::Utf8);
            out = utf8(QByteArrayView(from, length));
            return !utf8.hasError();
        }
        QByteArray plain;
        plain.reserve(length);
        for (const char *c = from; c < to;) {
            if (uchar(*c) < 0x20 || *c == '<')
                return false;
            if (*c != '&') {
                plain += *c++;
                continue;
            }
            const char *semi = static_cast<const char *>(memchr(c, ';', size_t(to - c)));
            if (!semi)
                return false;
            const QByteArrayView entity(c + 1, semi - c - 1);
            if (entity == "amp")
                plain += '&';
            else if (entity == "lt")
                plain += '<';
            else if (entity == "gt")
                plain += '>';
            else if (entity == "quot")
                plain += '"';
            else if (entity == "apos")
                plain += '\'';
            else if (entity.startsWith('#')) {
                bool ok = false;
                const uint code = entity.startsWith("#x") ? entity.sliced(2).toByteArray().toUInt(&ok, 16)
                                                          : entity.sliced(1).toByteArray().toUInt(&ok, 10);
                // Only plain printable characters; anything else is the full reader's to judge.
                if (!ok || code < 0x20 || code > 0xFFFD || (code >= 0xD800 && code <= 0xDFFF) || entity.size() > 8)
                    return false;
                plain += QString(QChar(char16_t(code))).toUtf8();
            } else {
                return false;
            }
            c = semi + 1;
        }
        QStringDecoder utf8(QStringDecoder::Utf8);
        out = utf8(plain);
        return !utf8.hasError();
    }

    bool element(Element &out, int depth)
    {
        if (depth > 16 || m_p >= m_end || *m_p != '<')
            return false;
        ++m_p;
        if (!name(out.name) || !attributeList(out.attributes))
            return false;
        blanks();
        if (m_end - m_p >= 2 && m_p[0] == '/' && m_p[1] == '>') {
            m_p += 2;
            return true;
        }
        if (m_p >= m_end || *m_p != '>')
            return false;
        ++m_p;
        for (;;) {
            blanks();
            if (m_end - m_p >= 2 && m_p[0] == '<' && m_p[1] == '/') {
                m_p += 2;
                QByteArray closing;
                if (!name(closing) || closing != out.name)
                    return false;
                blanks();
                if (m_p >= m_end || *m_p != '>')
                    return false;
                ++m_p;
                return true;
            }
            if (m_p >= m_end || *m_p != '<' || m_end - m_p < 2 || !isNameStart(m_p[1]))
                return false;
            out.children.emplace_back();
            if (!element(out.children.back(), depth + 1))
                return false;
        }
    }

    const char *m_p;
    const char *m_end;
};

QStringView attributeOf(const RawRow &attributes, QLatin1StringView name, bool *present = nullptr)
{
    for (const auto &[n, v] : attributes)
        if (n == name) {
            if (present)
                *present = true;
            return v;
        }
    if (present)
        *present = false;
    return {};
}

// The same reading as the full reader's, over the simple form; false where
// the full reader would refuse, so that it names the fault.
bool readSimple(const QByteArray &bytes, ParsedPacket &parsed)
{
    SimplePacketReader::Element root;
    if (!SimplePacketReader(bytes).read(root) || root.name != "DATAPACKET")
        return false;
    bool sawMetadata = false;
    for (SimplePacketReader::Element &child : root.children) {
        if (child.name == "METADATA") {
            if (sawMetadata)
                return false;
            sawMetadata = true;
            auto fields = std::find_if(child.children.begin(), child.children.end(),
                                       [](const auto &e) { return e.name == "FIELDS"; });
            if (fields == child.children.end())
                return false;
            for (const SimplePacketReader::Element &f : fields->children) {
                if (f.name != "FIELD")
                    return false;
                bool hasWidth = false;
                const QStringView width = attributeOf(f.attributes, QLatin1StringView("WIDTH"), &hasWidth);
                try {
                    parsed.fields.push_back(fieldOf(attributeOf(f.attributes, QLatin1StringView("attrname")).toString(),
                                                    attributeOf(f.attributes, QLatin1StringView("fieldtype")),
                                                    hasWidth, width, parsed.fields));
                } catch (const EDataSetError &) {
                    return false;
                }
            }
        } else if (child.name == "ROWDATA") {
            if (!sawMetadata)
                return false;
            for (SimplePacketReader::Element &row : child.children) {
                if (row.name != "ROW")
                    return false;
                parsed.rows.push_back(std::move(row.attributes));
            }
        }
    }
    return sawMetadata;
}
} // namespace

void ClientDataSet::Impl::load(const QVariant &packet)
{
    ParsedPacket parsed;
    if (packet.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = packet.toByteArray();
        if (bytes.isEmpty())
            refuse(QStringLiteral("o pacote está vazio"));
        if (!readSimple(bytes, parsed)) {
            parsed = ParsedPacket();
            QXmlStreamReader xml;
            QString decoded;
            const QByteArray encoding = declaredEncoding(bytes);
            if (encoding == "windows-1252" || encoding == "cp1252") {
                // The reader knows no 8-bit code pages: hand it the text already decoded.
                decoded = Win1252::decode(bytes);
                xml.addData(decoded);
            } else {
                xml.addData(bytes);
            }
            parsed = readWithXmlReader(xml);
        }
    } else if (packet.typeId() == QMetaType::QString) {
        const QString decoded = packet.toString();
        if (decoded.isEmpty())
            refuse(QStringLiteral("o pacote está vazio"));
        QXmlStreamReader xml(decoded);
        parsed = readWithXmlReader(xml);
    } else {
        refuse(packet.isValid() ? QStringLiteral("um valor do tipo %1 não é um pacote de dados")
                                      .arg(QString::fromLatin1(packet.typeName()))
                                : QStringLiteral("o pacote está vazio"));
    }

    // Declared fields take their packet column by name; the packet's other
    // fields follow them. Without declared fields the packet gives the layout.
    const std::vector<PacketField> &packetFields = parsed.fields;
    const size_t persistentCount = persistent.size();
    std::vector<int> target(packetFields.size(), -1); // column of each packet field in the new layout
    std::vector<std::unique_ptr<Field>> newExtra;
    for (size_t p = 0; p < persistentCount; ++p) {
        const Field &f = *persistent[p];
        size_t k = 0;
        while (k < packetFields.size() && packetFields[k].name.compare(f.fieldName(), Qt::CaseInsensitive) != 0)
            ++k;
        if (k == packetFields.size())
            throw EDataSetError(prefixed(QStringLiteral("Campo '%1' não encontrado no pacote de dados").arg(f.fieldName())));
        if (packetFields[k].type != f.dataType())
            throw EDataSetError(prefixed(QStringLiteral("Tipo incompatível no campo '%1': esperado %2, o pacote traz %3")
                                             .arg(f.fieldName(), typeName(f.dataType()), typeName(packetFields[k].type))));
        target[k] = int(p);
    }
    for (size_t k = 0; k < packetFields.size(); ++k) {
        if (target[k] >= 0)
            continue;
        target[k] = int(persistentCount + newExtra.size());
        const PacketField &pf = packetFields[k];
        newExtra.push_back(std::make_unique<Field>(q, pf.name, pf.type, pf.size, QString(), true, q->name() + pf.name));
    }

    const size_t width = persistentCount + newExtra.size();
    std::vector<Row> newRows;
    newRows.reserve(parsed.rows.size());
    for (const RawRow &raw : parsed.rows) {
        Row row(width);
        size_t hint = 0; // attributes usually come in field order
        for (const auto &[attrName, text] : raw) {
            size_t k = hint;
            size_t tried = 0;
            while (tried < packetFields.size() && packetFields[k].name != attrName) {
                k = (k + 1) % packetFields.size();
                ++tried;
            }
            if (tried == packetFields.size())
                continue; // row bookkeeping such as RowState
            hint = (k + 1) % packetFields.size();
            QVariant value = parseValue(packetFields[k].type, text);
            if (!value.isValid())
                refuse(QStringLiteral("valor '%1' inválido para o campo '%2' (%3) na linha %4")
                           .arg(InputLimits::excerpt(text), InputLimits::excerpt(packetFields[k].name),
                                typeName(packetFields[k].type))
                           .arg(newRows.size() + 1));
            row[size_t(target[k])] = std::move(value);
        }
        newRows.push_back(std::move(row));
    }

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
    // Local files of a few kilobytes: a device, a FIFO or a huge file is
    // refused before it can hold the call or fill the memory.
    QString refusal;
    const std::optional<QByteArray> bytes = InputLimits::readSmallFile(path, refusal);
    if (!bytes)
        throw EDataSetError(d->prefixed(QStringLiteral("Não foi possível ler o arquivo: %1").arg(refusal)));
    try {
        d->load(*bytes);
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
