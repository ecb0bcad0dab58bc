// The process-wide host address cache.

#include "http/HostCache.h"

#include "http/HttpErrors.h"
#include "platform/Socket.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace kh {
namespace {

// The 32-bit form of a dotted-quad address in network byte order, as the cache stores it.
uint32_t Ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    IpAddress address;
    address.bytes[0] = a;
    address.bytes[1] = b;
    address.bytes[2] = c;
    address.bytes[3] = d;
    return address.Ipv4();
}

TEST(HostCache, ResolvesCachesAndForgets)
{
    ASSERT_EQ(ClearHostCache(), kHttpOk);
    uint32_t address = 0;
    EXPECT_FALSE(LookupCachedHost("127.0.0.1", address));

    ASSERT_EQ(ResolveHost("127.0.0.1", address), kHttpOk);
    EXPECT_EQ(address, Ipv4(127, 0, 0, 1));
    uint32_t cached = 0;
    ASSERT_TRUE(LookupCachedHost("127.0.0.1", cached));
    EXPECT_EQ(cached, address);

    std::string text;
    ASSERT_EQ(ResolveHostText("localhost", text), kHttpOk);
    EXPECT_EQ(text, "127.0.0.1");

    ASSERT_EQ(ClearHostCache(), kHttpOk);
    EXPECT_FALSE(LookupCachedHost("127.0.0.1", cached));
    EXPECT_FALSE(LookupCachedHost("localhost", cached));
}

TEST(HostCache, AddressZeroIsRefused)
{
    uint32_t address = 12345;
    EXPECT_EQ(ResolveHost("0.0.0.0", address), kErrCacheZeroAddress);
    EXPECT_EQ(address, 12345u);
}

TEST(HostCache, ManyThreadsResolveAndClearAtOnce)
{
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if (t == 0 && i % 10 == 0) {
                    if (ClearHostCache() != kHttpOk)
                        ++wrong;
                    continue;
                }
                uint32_t address = 0;
                if (ResolveHost(t % 2 ? "127.0.0.1" : "127.0.0.2", address) != kHttpOk ||
                    (address != Ipv4(127, 0, 0, 1) && address != Ipv4(127, 0, 0, 2)))
                    ++wrong;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace kh
