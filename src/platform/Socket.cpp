#include "platform/Socket.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace kh {

IpAddress IpAddress::FromIpv4(uint32_t networkOrder)
{
    IpAddress address;
    std::memcpy(address.bytes.data(), &networkOrder, sizeof networkOrder);
    return address;
}

uint32_t IpAddress::Ipv4() const
{
    uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, bytes.data(), sizeof networkOrder);
    return networkOrder;
}

int32_t WaitLimit::Budget() const
{
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    const int64_t leftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    if (stepMs > 0 && stepMs < leftMs)
        return stepMs;
    return static_cast<int32_t>(std::min<int64_t>(leftMs, INT32_MAX));
}

Socket::~Socket()
{
    Close();
}

Socket::Socket(Socket&& other) noexcept : handle(std::exchange(other.handle, kNoSocket)) {}

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        Close();
        handle = std::exchange(other.handle, kNoSocket);
    }
    return *this;
}

} // namespace kh
