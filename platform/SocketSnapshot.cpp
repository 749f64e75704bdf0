#include "SocketSnapshot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Each open socket of the process as (descriptor, inode), read from
// /proc/self/fd, where a socket reads "socket:[INODE]".
template <typename Visit>
void forEachSocket(Visit visit)
{
    DIR *folder = ::opendir("/proc/self/fd");
    if (!folder)
        return;
    while (const dirent *entry = ::readdir(folder)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == ::dirfd(folder))
            continue;
        char path[64];
        char target[64];
        std::snprintf(path, sizeof path, "/proc/self/fd/%ld", fd);
        const ssize_t size = ::readlink(path, target, sizeof target - 1);
        if (size <= 0)
            continue;
        target[size] = '\0';
        unsigned long inode = 0;
        if (std::sscanf(target, "socket:[%lu]", &inode) == 1 && visit(int(fd), inode))
            break;
    }
    ::closedir(folder);
}

int peerPort(int fd)
{
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &size) != 0)
        return -1;
    if (peer.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in &>(peer).sin_port);
    if (peer.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(peer).sin6_port);
    return -1;
}

} // namespace

SocketSnapshot SocketSnapshot::take()
{
    SocketSnapshot snapshot;
    forEachSocket([&snapshot](int, unsigned long inode) {
        snapshot.m_inodes.push_back(inode);
        return false;
    });
    std::sort(snapshot.m_inodes.begin(), snapshot.m_inodes.end());
    return snapshot;
}

int SocketSnapshot::openedSince(quint16 peerPortWanted) const
{
    int found = -1;
    forEachSocket([&](int fd, unsigned long inode) {
        if (std::binary_search(m_inodes.begin(), m_inodes.end(), inode) || peerPort(fd) != peerPortWanted)
            return false;
        found = fd;
        return true;
    });
    return found;
}
