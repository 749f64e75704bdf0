#include "TcpRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
// A client accepted and its own connection to the server; -1, -1 when
// either cannot be had.
std::pair<int, int> acceptPair(int listener, quint16 serverPort)
{
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(serverPort);
    if (client >= 0 && server >= 0 && ::connect(server, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return {client, server};
    for (int fd : {client, server})
        if (fd >= 0)
            ::close(fd);
    return {-1, -1};
}

void writeAll(int to, const char *buffer, ssize_t size)
{
    for (ssize_t sent = 0; sent < size;) {
        const ssize_t n = ::write(to, buffer + sent, size_t(size - sent));
        if (n <= 0)
            break;
        sent += n;
    }
}
} // namespace

TcpRelay::TcpRelay(quint16 serverPort, QByteArray stallAt, Stall stall)
    : m_serverPort(serverPort), m_stallAt(std::move(stallAt)), m_stall(stall)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size) != 0
        || ::listen(m_listener, 8) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size) != 0
        || ::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { relay(); });
}

TcpRelay::~TcpRelay()
{
    if (m_thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

void TcpRelay::relay()
{
    struct Pair {
        int client;
        int server;
        QByteArray seen; // the client's last bytes, for a text split between reads
        bool closed = false;
        int hits = 0;        // times the text went by
        bool frozen = false; // this session carries nothing more
    };
    std::vector<Pair> pairs;
    for (;;) {
        std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}};
        if (!m_stalled) {
            watched.push_back({m_listener, POLLIN, 0});
            for (const Pair &pair : pairs) {
                // A frozen session's sockets are left out (poll skips a
                // negative descriptor): a side that hangs up wakes nothing.
                watched.push_back({pair.frozen ? -1 : pair.client, POLLIN, 0});
                watched.push_back({pair.frozen ? -1 : pair.server, POLLIN, 0});
            }
        }
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        if (watched[0].revents)
            break;
        if (m_stalled)
            continue;
        if (watched[1].revents & POLLIN) {
            if (const auto [client, server] = acceptPair(m_listener, m_serverPort); client >= 0)
                pairs.push_back({client, server, {}});
            continue;
        }
        for (size_t i = 0; i < pairs.size() && !m_stalled; ++i) {
            Pair &pair = pairs[i];
            if (pair.closed || pair.frozen)
                continue;
            for (const bool fromClient : {true, false}) {
                const pollfd &event = watched[2 + 2 * i + (fromClient ? 0 : 1)];
                if (!(event.revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                char buffer[16384];
                const ssize_t got = ::read(event.fd, buffer, sizeof buffer);
                if (got <= 0) {
                    // One side closed: so does the other.
                    ::close(pair.client);
                    ::close(pair.server);
                    pair.closed = true;
                    break;
                }
                bool stop = false;
                if (fromClient) {
                    pair.seen += QByteArray(buffer, got);
                    if (pair.seen.contains(m_stallAt)) {
                        // One stop only: a session opened after it is served.
                        stop = ++pair.hits == m_stall.occurrence && !m_stoppedOnce;
                        pair.seen.clear();
                    } else {
                        pair.seen = pair.seen.right(m_stallAt.size());
                    }
                }
                if (!stop || m_stall.forwardText) {
                    writeAll(fromClient ? pair.server : pair.client, buffer, got);
                }
                if (stop) {
                    pair.frozen = true;
                    m_stalled = m_stalled || m_stall.everyone;
                    m_stoppedOnce = true;
                    break;
                }
            }
        }
        std::erase_if(pairs, [](const Pair &pair) { return pair.closed; });
    }
    // Stalled sockets stay open until the test is done with the relay.
    for (const Pair &pair : pairs) {
        ::close(pair.client);
        ::close(pair.server);
    }
}
