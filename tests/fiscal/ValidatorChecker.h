#pragma once
// The tax validators' rules that the ledger's lines must pass, as the
// ledger's contract quotes them, checked on what the commands wrote:
// sped (registers C400, C405, C420 and C490 of the EFD ICMS/IPI) and sintegra
// (registers 60M and 60A). Each returns what breaks a rule, one sentence a
// breach naming the line; nothing when the lines pass.
#include <QByteArray>
#include <QStringList>

namespace ValidatorChecker {
QStringList sped(const QByteArray &lines);
QStringList sintegra(const QByteArray &lines);
} // namespace ValidatorChecker
