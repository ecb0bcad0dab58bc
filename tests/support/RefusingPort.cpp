#include "support/RefusingPort.h"

#include "support/LoopbackSocket.h"
#include "support/SupportHooks.h"

namespace kh::test {

RefusingPort::RefusingPort()
{
    socket = ReserveLoopbackPort(port);
    if (socket == kNoSocket)
        ReportSupportFailure("cannot reserve a loopback port");
}

RefusingPort::~RefusingPort()
{
    CloseSocket(socket);
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
