#pragma once
// A loopback port on which every connect is refused at once: bound, so nobody else takes it while
// the object lives, but never listening. For the transport-failure paths of the client.

#include "platform/Socket.h"

#include <cstdint>
#include <string>

namespace kh::test {

class RefusingPort final
{
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    uint16_t Port() const { return port; }
    // "127.0.0.1:PORT": the value for the host settings.
    std::string Host() const;
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path = "/") const;

private:
    NativeSocket socket = kNoSocket;
    uint16_t port = 0;
};

} // namespace kh::test
