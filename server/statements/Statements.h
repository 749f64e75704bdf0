#pragma once
// The module's statement texts, kept in its resources, one per component
// (acmInsRedZ, adqPesqCdImposto...): whoever runs one of the module's
// statements, the data module or the tax package's tax-code lookup, takes its
// text from here.
#include "AdoCommand.h"
#include <QString>
#include <initializer_list>
#include <utility>
#include <vector>

namespace Statements {

// The text of the component's statement; raises Exception when the module
// holds none of that name.
QString text(const QString &component);

// Gives the statement the text of its own name and declares the kinds of its
// parameters.
void describe(AdoStatement &statement, std::initializer_list<std::pair<const char *, ParamKind>> kinds);
void describe(AdoStatement &statement, const std::vector<std::pair<const char *, ParamKind>> &kinds);

} // namespace Statements
