#pragma once
// Built-in host names of the service, used until the settings store names others
// (ServerConfig_ApiHost, ServerConfig_ServicesHost, ServerConfig_WebSite; "host" or "host:port").

namespace kh {

inline constexpr const char* kDefaultApiHost = "api.borvankh.com";
inline constexpr const char* kDefaultServicesHost = "services.borvankh.com";
inline constexpr const char* kDefaultWebSite = "www.borvankh.com";

} // namespace kh
