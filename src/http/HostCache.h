#pragma once
// The process-wide cache of host addresses shared by every HttpClient on every thread. A failed
// connect clears it, so a host whose address changed is looked up again on the next request.

#include <cstdint>
#include <string>

namespace kh {

// Looks up host's IPv4 address (network byte order), from the cache or the system resolver.
// 0 or an error number of the cache (2, 3, 12, 13, 14, 15, 17).
int ResolveHost(const std::string& host, uint32_t& address);
// The same as dotted-quad text; adds 7, 8, 16.
int ResolveHostText(const std::string& host, std::string& text);
// Forgets every entry; 0 or 9, 10, 18.
int ClearHostCache();
// True when the cache holds a looked-up (non-zero) address for host, without asking the resolver.
bool LookupCachedHost(const std::string& host, uint32_t& address);

} // namespace kh
