#pragma once
// The data module of the Z-reduction server methods: the one connection and
// the statements the server methods run. One instance per process.
#include "AdoCommand.h"
#include "AdoConnection.h"
#include "Cat52FileStore.h"
#include "ClientDataSet.h"
#include <QObject>

namespace Srv_kal02700 {

class TrdmCadRedz {
public:
    // Builds the components from their stored description: statement texts
    // come from the module's resources.
    explicit TrdmCadRedz(QObject *owner = nullptr);
    ~TrdmCadRedz();
    TrdmCadRedz(const TrdmCadRedz &) = delete;
    TrdmCadRedz &operator=(const TrdmCadRedz &) = delete;

    // Components, in declaration order.
    AdoConnection adcCadRedz;
    AdoCommand acmInsRedZ;
    ClientDataSet cdsImpRed;
    AdoCommand acmInsImpRedZ;
    AdoQuery adqCupomInicial;
    AdoQuery adqMaxMovCaixa;
    AdoQuery adqUltimoCupom;
    AdoQuery adqUltimoCupomEcf; // the same, of one printer
    AdoQuery adqPesqCdImposto;
    AdoQuery adqRedZGravada;
    AdoQuery adqRedZDoDia;
    // The CAT-52 files' statements are the store's that the ledger shares.
    Cat52FileStore arqCat52;
    AdoQuery &adqArqCat52Gravado;
    AdoQuery &adqArqCat52DoDia;
    AdoCommand &acmTravaRedZ;
    AdoCommand &acmInsArqCat52;
    AdoCommand &acmUpdArqCat52;

    // Persistent fields of cdsImpRed.
    Field *cdsImpRedCDFILIAL;
    Field *cdsImpRedCDCAIXA;
    Field *cdsImpRedNRECFREDZ;
    Field *cdsImpRedDTREDUCAOZ;
    Field *cdsImpRedCDIMPOSTO;
    Field *cdsImpRedVRALIQIMPRZ;
    Field *cdsImpRedVRBCALCIMPRZ;
    Field *cdsImpRedVRIMPOSTORZ;

    // Connection events and the module's activation.
    void adcCadRedzAfterConnect(AdoConnection &sender);
    void adcCadRedzBeforeConnect(AdoConnection &sender);
    void MtsDataModuleActivate(QObject *sender);
    void MtsDataModuleDeactivate(QObject *sender);

    // Flat transactions: each acts only when the connection's state calls for it.
    void StartTrans();
    void CommitTrans();
    void RollbackTrans();
};

} // namespace Srv_kal02700
