#pragma once
// The package operations (the procedure variables of Wmb00001.h and
// Wmb00002.h) that a test swaps for fakes, put back as they were when the
// override ends, whatever way the test ends. Kept as a fixture's member, it
// saves them before the fixture's set-up runs: a set-up that fails half-way
// leaves no fake, and no null operation, behind for the tests after it.
#include "Wmb00001.h"
#include "Wmb00002.h"
#include <QtGlobal>

class PackageOperationsOverride {
public:
    // The six operations as they stand.
    struct Operations {
        Wmb00001::TDadosUltimaRedZ dadosUltimaRedZ = Wmb00001::DadosUltimaRedZ;
        Wmb00001::TModelo_Impressora modeloImpressora = Wmb00001::Modelo_Impressora;
        Wmb00001::TGeraCatGenerica geraCatGenerica = Wmb00001::GeraCatGenerica;
        Wmb00002::TCriaImpostoRedz criaImpostoRedz = Wmb00002::CriaImpostoRedz;
        Wmb00002::TAtivaProcesso ativaProcesso = Wmb00002::AtivaProcesso;
        Wmb00002::TDesativaProcesso desativaProcesso = Wmb00002::DesativaProcesso;
    };

    PackageOperationsOverride() = default;
    ~PackageOperationsOverride()
    {
        Wmb00001::DadosUltimaRedZ = m_saved.dadosUltimaRedZ;
        Wmb00001::Modelo_Impressora = m_saved.modeloImpressora;
        Wmb00001::GeraCatGenerica = m_saved.geraCatGenerica;
        Wmb00002::CriaImpostoRedz = m_saved.criaImpostoRedz;
        Wmb00002::AtivaProcesso = m_saved.ativaProcesso;
        Wmb00002::DesativaProcesso = m_saved.desativaProcesso;
    }
    Q_DISABLE_COPY_MOVE(PackageOperationsOverride)

    // The operations the override found, e.g. the reference packages' own.
    const Operations &saved() const { return m_saved; }

private:
    const Operations m_saved;
};
