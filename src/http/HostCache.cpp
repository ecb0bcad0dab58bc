#include "http/HostCache.h"

#include "http/HttpErrors.h"
#include "platform/Socket.h"

#include <map>
#include <mutex>
#include <vector>

namespace kh {
namespace {

// Created on first use by any thread and never destroyed: a detached worker that is still inside
// a request while the process exits must not find the cache already torn down.
std::mutex& CacheMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::map<std::string, uint32_t>& CacheEntries()
{
    static auto* entries = new std::map<std::string, uint32_t>;
    return *entries;
}

// The system look-up, outside the lock: the first IPv4 address of host, or 0 in address.
bool LookUp(const std::string& host, uint32_t& address)
{
    std::vector<IpAddress> found;
    if (!ResolveAddresses(host, AddressFamily::Ipv4, found))
        return false;
    address = found.front().Ipv4();
    return true;
}

} // namespace

int ResolveHost(const std::string& host, uint32_t& address)
{
    try {
        uint32_t cached = 0;
        {
            std::unique_lock<std::mutex> lock(CacheMutex(), std::defer_lock);
            try {
                lock.lock();
            } catch (const std::system_error&) {
                return kErrCacheReadLock;
            }
            cached = CacheEntries()[host];
        }
        if (cached == 0) {
            if (!LookUp(host, cached))
                return kErrCacheNoAddress;
            if (cached == 0)
                return kErrCacheZeroAddress;
            std::unique_lock<std::mutex> lock(CacheMutex(), std::defer_lock);
            try {
                lock.lock();
            } catch (const std::system_error&) {
                return kErrCacheStoreLock;
            }
            // Two threads may look up the same host at once; the later store wins.
            CacheEntries()[host] = cached;
        }
        address = cached;
        return kHttpOk;
    } catch (...) {
        return kErrCacheResolveException;
    }
}

int ResolveHostText(const std::string& host, std::string& text)
{
    try {
        uint32_t address = 0;
        int error = ResolveHost(host, address);
        if (error != kHttpOk)
            return error;
        std::string formatted;
        if (!FormatAddress(IpAddress::FromIpv4(address), formatted))
            return kErrCacheFormatAddress;
        if (formatted.empty())
            return kErrCacheEmptyAddressText;
        text = std::move(formatted);
        return kHttpOk;
    } catch (...) {
        return kErrCacheTextException;
    }
}

int ClearHostCache()
{
    try {
        std::unique_lock<std::mutex> lock(CacheMutex(), std::defer_lock);
        try {
            lock.lock();
        } catch (const std::system_error&) {
            return kErrCacheClearLock;
        }
        CacheEntries().clear();
        return kHttpOk;
    } catch (...) {
        return kErrCacheClearException;
    }
}

bool LookupCachedHost(const std::string& host, uint32_t& address)
{
    try {
        std::lock_guard<std::mutex> lock(CacheMutex());
        auto it = CacheEntries().find(host);
        if (it == CacheEntries().end() || it->second == 0)
            return false;
        address = it->second;
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace kh
