#pragma once
// The sockets of this process at one moment, to find the one a client
// library opens after it: libpq hands out its session's socket only once
// the connect, the login and the driver's opening statements are done, and
// those waits must be watched too.
#include <QtGlobal>
#include <vector>

class SocketSnapshot {
public:
    static SocketSnapshot take();
    // A TCP socket that was not open at the snapshot and is connected to
    // that port of its peer; -1 for none (not yet connected, or gone).
    int openedSince(quint16 peerPort) const;

private:
    std::vector<unsigned long> m_inodes; // sorted: each socket by its inode, which no other file shares
};
