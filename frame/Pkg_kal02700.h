#pragma once
// The package frame: the module's exported plain names, looked up by the host
// with QLibrary. Texts cross as UTF-8, dates as automation dates.
#include <QtGlobal>

// The module's library shows a host only the names below: everything else in
// it is built hidden.
#define KAL02700_EXPORT Q_DECL_EXPORT

extern "C" {

struct PackageUnitEntry {
    void (*Initialization)();
    void (*Finalization)();
};

struct PackageInfoTable {
    int UnitCount;
    const PackageUnitEntry *UnitInfo;
};

KAL02700_EXPORT void Initialize();
KAL02700_EXPORT void Finalize();
KAL02700_EXPORT const PackageInfoTable *GetPackageInfoTable();
// The host's entry to the screen; texts are UTF-8, DtReducao an automation date.
KAL02700_EXPORT void CriaCadRedZ(const char *CdFilial, const char *CdCaixa, const char *NrEcf, const char *NrSerieEcf,
                                 double DtReducao, bool Automatico);

// What the last CriaCadRedZ came to: true when its own save committed the
// day; and the line that says why nothing (or no CAT-52 file) was stored,
// UTF-8, empty when there is nothing to say. The text stays valid until the
// next call.
KAL02700_EXPORT bool RedZGravada();
KAL02700_EXPORT const char *MotivoRedZ();

using TInitialize = void (*)();
using TFinalize = void (*)();
using TGetPackageInfoTable = const PackageInfoTable *(*)();
using TCriaCadRedZ = void (*)(const char *, const char *, const char *, const char *, double, bool);
using TRedZGravada = bool (*)();
using TMotivoRedZ = const char *(*)();
}
