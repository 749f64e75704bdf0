#pragma once
// What the ledger's library shows its programs (the command line and the
// head-office view); everything else stays inside it.
#include <QtGlobal>

#if defined(KALFISCAL_LIBRARY)
#define KALFISCAL_EXPORT Q_DECL_EXPORT
#else
#define KALFISCAL_EXPORT Q_DECL_IMPORT
#endif
