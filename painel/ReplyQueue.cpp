#include "ReplyQueue.h"

quint64 ReplyQueue::open()
{
    m_slots.push_back(Slot{m_next, std::nullopt, false});
    return m_next++;
}

void ReplyQueue::fill(quint64 id, QByteArray bytes, bool close)
{
    if (m_slots.empty() || id < m_slots.front().id || id - m_slots.front().id >= m_slots.size())
        return;
    Slot &slot = m_slots[std::size_t(id - m_slots.front().id)];
    if (slot.bytes)
        return;
    slot.bytes = std::move(bytes);
    slot.close = close;
}

QByteArray ReplyQueue::takeReady(bool &close)
{
    QByteArray out;
    close = false;
    while (!m_slots.empty() && m_slots.front().bytes && !close) {
        out += *m_slots.front().bytes;
        close = m_slots.front().close;
        m_slots.pop_front();
    }
    if (close)
        m_slots.clear();
    return out;
}
