#pragma once
// The night as the head office sees it: plain data built from the ledger's
// findings on one day, which the JSON, the metrics and the page only format.
#include "BranchScope.h"
#include "Finding.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

enum class RegisterState { Gravada, SemCat52, ComErro, Pendente };

struct StateCounts {
    int caixas = 0;
    int gravada = 0;
    int semCat52 = 0;
    int comErro = 0;
    int pendente = 0;
    void add(RegisterState state);
};

// One register of the day (one entry per printer when it has several).
struct NightRegister {
    QString cdCaixa;
    QString nrEcf;  // empty: no Z reduction
    QString serial; // likewise
    bool hasReduction = false;
    RegisterState estado = RegisterState::Pendente;
    qint64 crz = -1;       // -1: none or not a number
    qint64 vendaBruta = 0; // cents
    QList<Finding> ocorrencias;

    // What of the findings makes the state: an error, the CAT-52 file
    // missing. Those of a register's day and of its row add up.
    struct Marks {
        bool error = false;
        bool withoutFile = false;
        void add(const QList<Finding> &findings);
        void add(const Marks &other);
    };
    // The state the ledger's findings give: see the four states.
    static RegisterState stateOf(bool hasReduction, const Marks &marks);
};

struct NightBranch {
    QString cdFilial;
    QList<NightRegister> caixas; // in code order
    StateCounts totais() const;
};

struct Night {
    QDate dia;
    QDateTime lidoEm;           // local time of the read
    double leituraSegundos = 0; // how long the read took
    QList<NightBranch> filiais; // in code order

    StateCounts totais() const;
    // The branch alone (for ?cdfilial=); no branch when it has nothing that day.
    Night onlyBranch(const QString &cdFilial) const;
    // The branches a user may see (its totals are counted from them).
    Night within(const BranchScope &scope) const;

    static QString stateName(RegisterState state);
    // The night without a day asked for: today from the turn of the day
    // (virada) on, yesterday before it.
    static QDate current(const QDateTime &now, const QTime &virada);
};
