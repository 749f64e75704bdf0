#include "DataPacketWriter.h"

#include <QXmlStreamWriter>

namespace DataPacketWriter {

QByteArray write(const std::vector<PacketField> &fields, const std::vector<std::vector<QVariant>> &rows)
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
    for (const PacketField &f : fields) {
        xml.writeEmptyElement(QStringLiteral("FIELD"));
        xml.writeAttribute(QStringLiteral("attrname"), f.name);
        xml.writeAttribute(QStringLiteral("fieldtype"), DataPacketText::typeName(f.type));
        if (f.type == FieldType::String)
            xml.writeAttribute(QStringLiteral("WIDTH"), QString::number(f.size));
    }
    xml.writeEndElement(); // FIELDS
    xml.writeEmptyElement(QStringLiteral("PARAMS"));
    xml.writeEndElement(); // METADATA
    xml.writeStartElement(QStringLiteral("ROWDATA"));
    for (const std::vector<QVariant> &row : rows) {
        xml.writeEmptyElement(QStringLiteral("ROW"));
        for (size_t i = 0; i < fields.size() && i < row.size(); ++i)
            if (row[i].isValid()) // a null is an absent attribute
                xml.writeAttribute(fields[i].name, DataPacketText::valueText(fields[i].type, row[i]));
    }
    xml.writeEndElement(); // ROWDATA
    xml.writeEndElement(); // DATAPACKET
    xml.writeEndDocument();
    return out;
}

} // namespace DataPacketWriter
