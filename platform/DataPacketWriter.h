#pragma once
// Writes a data packet: UTF-8 XML, one FIELD per field, one ROW per row, a
// null value left out of its row.
#include "DataPacket.h"
#include <QByteArray>

namespace DataPacketWriter {

QByteArray write(const std::vector<PacketField> &fields, const std::vector<std::vector<QVariant>> &rows);

} // namespace DataPacketWriter
