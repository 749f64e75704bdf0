#include "DataPacketReader.h"
#include "Exception.h"
#include "InputLimits.h"
#include "Win1252.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace DataPacketReader {

namespace {

[[noreturn]] void refuse(const QString &what)
{
    throw EDataSetError(QStringLiteral("Pacote de dados inválido: %1").arg(what));
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

PacketField fieldOf(const QXmlStreamAttributes &attributes, const std::vector<PacketField> &seen)
{
    const QString name = attributes.value(QLatin1StringView("attrname")).toString();
    const QStringView typeText = attributes.value(QLatin1StringView("fieldtype"));
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
    if (field.type == FieldType::String && attributes.hasAttribute(QLatin1StringView("WIDTH"))) {
        const QStringView widthText = attributes.value(QLatin1StringView("WIDTH"));
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

// One ROW: its attributes in field order, a missing one a null; attributes
// that name no field (row bookkeeping such as RowState) are passed over.
std::vector<QVariant> rowOf(const QXmlStreamAttributes &attributes, const std::vector<PacketField> &fields,
                            size_t rowNumber)
{
    std::vector<QVariant> row(fields.size());
    size_t hint = 0; // attributes usually come in field order
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringView attrName = attribute.name();
        size_t k = hint;
        size_t tried = 0;
        while (tried < fields.size() && fields[k].name != attrName) {
            k = (k + 1) % fields.size();
            ++tried;
        }
        if (tried == fields.size())
            continue;
        hint = (k + 1) % fields.size();
        QVariant value = DataPacketText::parseValue(fields[k].type, attribute.value());
        if (!value.isValid())
            refuse(QStringLiteral("valor '%1' inválido para o campo '%2' (%3) na linha %4")
                       .arg(InputLimits::excerpt(attribute.value().toString()), InputLimits::excerpt(fields[k].name),
                            DataPacketText::typeName(fields[k].type))
                       .arg(rowNumber));
        row[k] = std::move(value);
    }
    return row;
}

DataPacket readXml(QXmlStreamReader &xml)
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
        refuse(
            QStringLiteral("o elemento raiz é '%1' e não DATAPACKET").arg(InputLimits::excerpt(xml.name().toString())));

    DataPacket packet;
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
                        refuse(QStringLiteral("elemento inesperado '%1' em FIELDS")
                                   .arg(InputLimits::excerpt(xml.name().toString())));
                    packet.fields.push_back(fieldOf(xml.attributes(), packet.fields));
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
                    refuse(QStringLiteral("elemento inesperado '%1' em ROWDATA")
                               .arg(InputLimits::excerpt(xml.name().toString())));
                packet.rows.push_back(rowOf(xml.attributes(), packet.fields, packet.rows.size() + 1));
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
    return packet;
}

} // namespace

DataPacket read(const QVariant &packet)
{
    if (packet.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = packet.toByteArray();
        if (bytes.isEmpty())
            refuse(QStringLiteral("o pacote está vazio"));
        const QByteArray encoding = declaredEncoding(bytes);
        if (encoding == "windows-1252" || encoding == "cp1252") {
            // The reader knows no 8-bit code pages: hand it the text already decoded.
            const QString decoded = Win1252::decode(bytes);
            QXmlStreamReader xml(decoded);
            return readXml(xml);
        }
        QXmlStreamReader xml(bytes);
        return readXml(xml);
    }
    if (packet.typeId() == QMetaType::QString) {
        const QString decoded = packet.toString();
        if (decoded.isEmpty())
            refuse(QStringLiteral("o pacote está vazio"));
        QXmlStreamReader xml(decoded);
        return readXml(xml);
    }
    refuse(
        packet.isValid()
            ? QStringLiteral("um valor do tipo %1 não é um pacote de dados").arg(QString::fromLatin1(packet.typeName()))
            : QStringLiteral("o pacote está vazio"));
}

} // namespace DataPacketReader
