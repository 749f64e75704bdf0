#pragma once
// The answers of one connection in the order of its requests. A client may
// send several requests at once; some are answered at once, others when a
// read of the database ends: each answer waits for the ones before it.
#include <QByteArray>
#include <deque>
#include <optional>

class ReplyQueue {
public:
    // The place of the next request's answer.
    quint64 open();
    // The answer of that place (once; later calls are ignored). close: the
    // connection ends after it.
    void fill(quint64 id, QByteArray bytes, bool close);
    // The answers ready from the front, in order; close is set when one of
    // them ends the connection (nothing after it is given).
    QByteArray takeReady(bool &close);
    // Places still without an answer.
    int waiting() const { return int(m_slots.size()); }

private:
    struct Slot {
        quint64 id = 0;
        std::optional<QByteArray> bytes;
        bool close = false;
    };
    std::deque<Slot> m_slots;
    quint64 m_next = 0;
};
