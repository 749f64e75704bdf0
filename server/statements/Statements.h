#pragma once
// The module's statement texts, kept in its resources, one per component
// (acmInsRedZ, adqPesqCdImposto...): the data module takes each text from
// here. The CAT-52 files' statements are the CAT-52 store's own.
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
