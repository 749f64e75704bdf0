#pragma once
// The data packet of the back office, as it travels between datasets and
// lies in the local parameter files: its fields and rows, and how each kind
// of field writes its values ("string", "date" yyyyMMdd, "dateTime"
// yyyyMMddTHH:mm:sszzz, "r8" with a point, "i4", "boolean" TRUE/FALSE).
#include "FieldValue.h"
#include <QString>
#include <QStringView>
#include <QVariant>
#include <vector>

struct PacketField {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // text fields only
};

// What a packet holds: its fields, and each row's values in field order (an
// attribute missing from a row is a null).
struct DataPacket {
    std::vector<PacketField> fields;
    std::vector<std::vector<QVariant>> rows;
};

namespace DataPacketText {

// The packet's name of a field type ("string", "date", ...).
QString typeName(FieldType type);
// A value as the packet writes it.
QString valueText(FieldType type, const QVariant &value);
// A value as the packet writes it, read back; an invalid QVariant when the
// text is not of that form.
QVariant parseValue(FieldType type, QStringView text);

} // namespace DataPacketText
