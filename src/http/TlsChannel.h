#pragma once
// HttpClient's https channel. HttpClient does what both channels share (URL, header block, body
// recoding, cookie jar, reply text); this class only carries one request over TLS: it connects to
// the host HttpClient looked up while the Host header, the TLS server name and the certificate check
// use the host name, requires status 200, hands each Set-Cookie value on, and reads the body to its
// end. Its failures are HttpClient's error numbers (HttpErrors.h). The system's HTTPS library does
// the work: libcurl on Linux (http/tls/curl), WinHTTP on Windows (http/tls/winhttp), chosen by
// CMake; each implementation documents how its library's results map onto the numbers.

#include "http/TlsOptions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kh {

struct TlsTarget
{
    std::string host;    // the name: Host header, TLS server name, certificate check
    std::string address; // the dotted-quad address HttpClient looked up for host
    uint16_t port = 443;
    std::string path;
    int32_t connectMs = 10000;
    int32_t sendMs = 10000;
    int32_t receiveMs = 10000; // a stall of this long ends the request
    int32_t totalMs = 30000;   // the whole request, connecting included
    TlsOptions tls;
};

class TlsChannel final
{
public:
    // Takes one Set-Cookie value (without the header name); 0 or the error number that ends the read.
    using CookieSink = std::function<int(const std::string&)>;

    TlsChannel();
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Prepares the request to target; no network activity yet.
    int Open(const TlsTarget& target);
    // The header block (lines joined by "\r\n") and, for a POST, the body as it goes on the wire.
    int SetRequest(const std::string& headerBlock, bool post, std::string sentBody);
    // Runs the request and stores the body into received. With an end marker the body is complete
    // as soon as its text (up to the first zero byte) contains it; a body above maxBytes fails.
    int Perform(const std::string& endMarker, size_t maxBytes, const CookieSink& cookies, std::vector<char>& received);
    void Close();

    // What the certificate check found when Perform failed with kErrTlsCertificate or kErrTlsCaFile.
    TlsProblem Problem() const;
    // The library's description of the last failure, empty after success.
    const std::string& Detail() const;

private:
    // The library's state for one request, defined by the implementation.
    struct Session;
    std::unique_ptr<Session> session;
};

} // namespace kh
