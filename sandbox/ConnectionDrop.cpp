#include "ConnectionDrop.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace kh::sandbox {

bool EndpointText(const sockaddr_storage& address, std::string& host, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    } else {
        return false;
    }
    host = text;
    return true;
}

bool DropConnection(const std::string& remoteAddr, int remotePort, int localPort)
{
    DIR* directory = opendir("/proc/self/fd");
    if (!directory)
        return false;
    bool dropped = false;
    while (dirent* entry = readdir(directory)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(directory))
            continue;
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localSize = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        std::string localHost, peerHost;
        int localPortFound = 0, peerPort = 0;
        if (!EndpointText(local, localHost, localPortFound) || !EndpointText(peer, peerHost, peerPort))
            continue;
        if (localPortFound == localPort && peerPort == remotePort && peerHost == remoteAddr) {
            dropped = shutdown(static_cast<int>(fd), SHUT_RDWR) == 0;
            break;
        }
    }
    closedir(directory);
    return dropped;
}

} // namespace kh::sandbox
