#pragma once
// Inner pieces of the shared services that are worth checking on their own:
// the session time zone statement and the password scrubbing of messages.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace SharedServicesDetail {

// "SET TIME ZONE 'Area/City'" when the zone id is a usable IANA name, else the
// fixed offset, e.g. "SET TIME ZONE INTERVAL '-03:00' HOUR TO MINUTE".
QString timeZoneStatement(const QByteArray &zoneId, int offsetFromUtcSeconds);

// Every form in which the connection string's password may reach a driver
// text: as written and, for a URL, percent-decoded. Empty without a password.
QStringList passwordsOf(const QString &connectionString);

// The text with the connection string redacted and every password of it
// replaced by "***", as the connection redacts it.
QString scrubPasswords(QString text, const QString &connectionString);

} // namespace SharedServicesDetail
