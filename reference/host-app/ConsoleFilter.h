#pragma once
// Raw lines of Qt and its SQL drivers ("Unable to free statement",
// "QSqlDatabasePrivate::removeDatabase: ...") are no news for the operator:
// every failure is reported once, in Portuguese, by the module or by the
// host. Until the platform is up, its plugins may complain of a display that
// does not answer: the host says so itself.
namespace ConsoleFilter {

// Installs the filter in front of Qt's own message handler.
void install();

// The platform is up: its own lines show again.
void platformStarted();

} // namespace ConsoleFilter
