#pragma once
// Reads a data packet: the bytes of a packet (UTF-8, or windows-1252 when its
// declaration says so) or its text. Whatever is not of the packet's shape is
// refused with an EDataSetError that names the fault.
#include "DataPacket.h"
#include <QVariant>

namespace DataPacketReader {

DataPacket read(const QVariant &packet);

} // namespace DataPacketReader
