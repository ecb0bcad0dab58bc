#include "support/RefusingPort.h"

#include "support/SupportHooks.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kh::test {

RefusingPort::RefusingPort()
{
    socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket < 0 || ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ReportSupportFailure("cannot reserve a loopback port");
        return;
    }
    port = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort()
{
    if (socket >= 0)
        ::close(socket);
}

std::string RefusingPort::Host() const
{
    return "127.0.0.1:" + std::to_string(port);
}

std::string RefusingPort::Url(const std::string& path) const
{
    return "http://" + Host() + path;
}

} // namespace kh::test
