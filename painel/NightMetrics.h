#pragma once
// The night in Prometheus's text exposition format (version 0.0.4).
#include "Night.h"

#include <QByteArray>

namespace NightMetrics {
inline constexpr char MediaType[] = "text/plain; version=0.0.4; charset=utf-8";
// night null: no night read yet (only the database's state is told).
QByteArray text(const Night *night, bool databaseAvailable, double lastReadSeconds);
} // namespace NightMetrics
