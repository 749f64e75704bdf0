#pragma once
// The package frame: the names a host looks up in the module's library with
// QLibrary. The frame's plain C names, whose texts cross as UTF-8 and dates
// as automation dates; and, under their qualified names, the screen unit's
// globals and the server unit's global and methods, which a host may read
// and call as the module itself does.
#include <QString>
#include <QStringList>
#include <QVariant>
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
// True when the answer to that call's commit was lost and a new session could
// not tell whether the day is stored: it may be, check before a rerun.
KAL02700_EXPORT bool RedZIncerta();

using TInitialize = void (*)();
using TFinalize = void (*)();
using TGetPackageInfoTable = const PackageInfoTable *(*)();
using TCriaCadRedZ = void (*)(const char *, const char *, const char *, const char *, double, bool);
using TRedZGravada = bool (*)();
using TMotivoRedZ = const char *(*)();
using TRedZIncerta = bool (*)();
}

// ---- The names under their qualified names

// An automation date: days since 30/12/1899, the time of day as the fraction.
using TDateTime = double;

class TfrmCadRedz;

namespace Cli_kal02700 {

// The screen unit's globals, kept between calls for the host to read: the
// open form (none between calls), whether a call set the form up (cleared
// when it closes), whether the form was filled from the printer's last Z
// reduction, and that reduction's date as the printer reported it.
extern KAL02700_EXPORT ::TfrmCadRedz *frmCadRedz;
extern KAL02700_EXPORT bool boCriado;
extern KAL02700_EXPORT bool boDadosUltima;
extern KAL02700_EXPORT QString stDataUltRedZ;

} // namespace Cli_kal02700

namespace Srv_kal02700 {

class TrdmCadRedz;

// The one data module, empty until the screen's set-up creates it.
extern KAL02700_EXPORT TrdmCadRedz *rdmCadRedz;

// Server methods: plain in-process calls on the shared data module; none
// raises: each reports in its result.

// Stores one Z reduction and its tax lines in one transaction.
// Boolean true when everything was committed, false when it was rolled back.
KAL02700_EXPORT QVariant setRedZ(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                 const QString &NrSerieEcf, const QString &NrRedZ, const QString &NrReinicio,
                                 const QString &NrPrimCupom, const QString &NrUltCupom, double VrSubTrib,
                                 double VrIsento, double VrNaoIncid, double VrTotGeral, double VrVendaBruta,
                                 double VrCancelamento, double VrDesconto, double VrVendaLiquida, double VrAcrescimo,
                                 TDateTime DtReducao, const QVariant &DadosImpostos, const QString &DsModMarcaEcf);

// Lookups: the value found as text, or the failure message as text.
KAL02700_EXPORT QVariant getCupomInicial(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia);
KAL02700_EXPORT QVariant getPesqCdImposto(double Aliquota);
KAL02700_EXPORT QString getMaxMovCaixa(const QString &CdFilial, const QString &CdCaixa);

// Stores a CAT-52 file: empty on success, the failure message as text.
KAL02700_EXPORT QVariant setArqCat52(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                     const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                     const QStringList &Conteudo);

} // namespace Srv_kal02700

namespace Pkg_kal02700::Symbols {

// The qualified names as the library's symbol table holds them (the C++
// ABI's form), for QLibrary::resolve or dlsym; the pointer a host takes is
// typed by the declaration, e.g. decltype(&Cli_kal02700::boCriado).
inline constexpr char frmCadRedz[] = "_ZN12Cli_kal0270010frmCadRedzE";
inline constexpr char boCriado[] = "_ZN12Cli_kal027008boCriadoE";
inline constexpr char boDadosUltima[] = "_ZN12Cli_kal0270013boDadosUltimaE";
inline constexpr char stDataUltRedZ[] = "_ZN12Cli_kal0270013stDataUltRedZE";
inline constexpr char rdmCadRedz[] = "_ZN12Srv_kal0270010rdmCadRedzE";
inline constexpr char setRedZ[] = "_ZN12Srv_kal027007setRedZERK7QStringS2_S2_S2_S2_S2_S2_S2_ddddddddddRK8QVariantS2_";
inline constexpr char getCupomInicial[] = "_ZN12Srv_kal0270015getCupomInicialERK7QStringS2_d";
inline constexpr char getPesqCdImposto[] = "_ZN12Srv_kal0270016getPesqCdImpostoEd";
inline constexpr char getMaxMovCaixa[] = "_ZN12Srv_kal0270014getMaxMovCaixaERK7QStringS2_";
inline constexpr char setArqCat52[] = "_ZN12Srv_kal0270011setArqCat52ERK7QStringS2_S2_S2_S2_S2_RK5QListIS0_E";

} // namespace Pkg_kal02700::Symbols
