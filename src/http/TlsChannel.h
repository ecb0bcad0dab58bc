#pragma once
// HttpClient's https channel, built on libcurl's easy interface. HttpClient does what both channels
// share (URL, header block, body recoding, cookie jar, reply text); this class only carries one
// request over TLS: it connects to the address HttpClient looked up while the Host header, the TLS
// server name and the certificate check use the host name, requires status 200, hands each
// Set-Cookie value on, and reads the body to its end. Its failures are HttpClient's error numbers
// (HttpErrors.h); how libcurl's results map onto them is documented in TlsChannel.cpp.

#include "http/TlsOptions.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kh {

struct TlsTarget
{
    std::string host;    // the name: Host header, TLS server name, certificate check
    std::string address; // the dotted-quad address connected to
    uint16_t port = 443;
    std::string path;
    int32_t connectMs = 10000;
    int32_t receiveMs = 10000; // a stall of this long (in whole seconds, rounded up) ends the request
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
    TlsProblem Problem() const { return problem; }
    // libcurl's description of the last failure, empty after success.
    const std::string& Detail() const { return detail; }

private:
    // libcurl's header and write callbacks; userdata is the channel.
    static size_t HeaderCallback(char* data, size_t size, size_t count, void* userdata);
    static size_t BodyCallback(char* data, size_t size, size_t count, void* userdata);
    size_t OnHeader(const char* data, size_t length);
    size_t OnBody(const char* data, size_t length);
    int MapResult(int curlResult);
    int SetCaBundle(const std::string& caFile);

    void* curl = nullptr;    // CURL*
    void* headers = nullptr; // curl_slist* of the request headers
    void* resolve = nullptr; // curl_slist* pinning host:port to the address
    std::string url;
    std::string body;
    std::vector<char> errorBuffer;
    std::string caBundle;

    // State of one Perform.
    const std::string* endMarker = nullptr;
    size_t maxBytes = 0;
    const CookieSink* cookieSink = nullptr;
    std::vector<char>* receivedBody = nullptr;
    std::vector<std::string> setCookies;
    bool headersDone = false;
    bool markerFound = false;
    size_t markerScanned = 0;
    size_t textEnd = 0; // the body's text ends at its first zero byte
    bool textEnded = false;
    int callbackError = 0;
    TlsProblem problem = TlsProblem::None;
    std::string detail;
};

} // namespace kh
