#pragma once
// The nights the history shows, each reduced to its registers' states (a
// byte per register and printer ever seen), so that a chain's months fit in
// a few megabytes. A night put again replaces the one kept (the night the
// cache reads each period); the JSON of a period is formatted once per
// change of the nights kept and per user's view.
#include "BranchScope.h"
#include "Night.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>

class HistoryStore {
public:
    // Two requests of the most nights one may ask.
    static constexpr int MaxNights = 124;

    void put(const Night &night);
    bool has(const QDate &dia) const { return m_nights.contains(dia); }
    // The nights of de..ate not kept, as periods of consecutive nights.
    QList<QPair<QDate, QDate>> missing(const QDate &de, const QDate &ate) const;
    // The answer of /api/historico: the branches within scope, or cdFilial
    // alone when given. Every night of de..ate must be kept.
    QByteArray json(const QDate &de, const QDate &ate, const BranchScope &scope, const QString &cdFilial);
    // Keeps the nights most recently asked for, at most MaxNights, and
    // those of de..ate.
    void evict(const QDate &de, const QDate &ate);

private:
    // A register and printer as the history lists it; a register's entry
    // without a printer (a night without its Z reduction) has them empty.
    struct Row {
        QString cdFilial, cdCaixa, nrEcf, serial;
        int registerRow = -1; // the same register's entry without a printer
    };
    static constexpr quint8 Absent = 0xFF;
    struct Kept {
        QByteArray states; // by row; Absent when the night has no such entry
        QDateTime lidoEm;
        qint64 used = 0;
    };
    int rowOf(const QString &cdFilial, const QString &cdCaixa, const QString &nrEcf, const QString &serial);
    // A row's state on a night: its own entry, or its register's without a printer.
    quint8 stateOf(const Kept &night, int row) const;
    // The rows the history lists, in code order.
    QList<int> listedRows(const QList<const Kept *> &nights, const BranchScope &scope, const QString &cdFilial) const;

    QList<Row> m_rows;
    QHash<QString, int> m_rowIndex;
    QMap<QDate, Kept> m_nights;
    qint64 m_uses = 0;
    quint64 m_generation = 0;
    struct Formatted {
        quint64 generation = 0;
        QByteArray json;
        qint64 used = 0;
    };
    QHash<QString, Formatted> m_formatted;
};
