#pragma once
// One HTTP request per instance: every server conversation of the client builds a fresh
// HttpClient on its own thread, calls Reset and UseUtf8, then Send, and reads the reply text.
// Send returns 0 or a small error number naming the step that failed; the numbers are shown to
// the user as tip details, so they are part of the interface (see HttpErrors.h). "http" URLs go
// over a plain socket; "https" URLs over TlsChannel (libcurl on Linux, WinHTTP on Windows), with
// the server's certificate checked as SetTls asks.

#include "http/TlsOptions.h"
#include "platform/Socket.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kh {

class TlsChannel;

struct Cookie
{
    std::string name;
    std::string value;
    std::string path;
    std::string domain;
};

class HttpClient final
{
public:
    // A reply larger than this fails with kErrReplyTooLarge instead of growing without bound.
    static constexpr int32_t kMaxReplyBytes = 16 * 1024 * 1024;

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void Reset();
    void UseUtf8();

    // POSTs body to url and stores the reply body into reply (unchanged on failure).
    int Send(const std::string& url, const std::string& body, std::string& reply, const std::string& extraHeaders = {},
             const std::string& endMarker = {}, bool keepHeaders = false);

    // Time-outs in milliseconds (10000 each after Reset). Connect bounds the connection, send and
    // receive each call that writes or reads (0: no limit of its own); a whole request never takes
    // longer than the three added together and fails past that with kErrDeadline.
    void SetTimeouts(int32_t connectMs, int32_t sendMs, int32_t receiveMs);

    // Certificate checking for https URLs, from now until Reset (which restores the default: the
    // server's certificate is checked against the system's trust store). Callers set it per request.
    void SetTls(const TlsOptions& options) { tlsOptions = options; }
    // Why the last Send failed its certificate check (kErrTlsCertificate, kErrTlsCaFile); None otherwise.
    TlsProblem LastTlsProblem() const { return tlsProblem; }
    // The TLS library's own (English) description of the last https failure; empty otherwise.
    const std::string& LastTlsDetail() const { return tlsDetail; }
    // True when the last Send went out over https without certificate checking (TlsOptions::insecure),
    // whether it succeeded or not: the caller tells the user the connection was not verified.
    bool LastRequestUnverified() const { return tlsUnverified; }

    const std::vector<Cookie>& Cookies() const { return cookieJar; }
    // Adds one Set-Cookie value to the jar; 0 or the error number (89 for a cookie without a name).
    int AddCookie(const std::string& setCookieValue);
    // The "Cookie: ..." header line for the current host and path, empty when nothing is sent.
    std::string CookieHeader() const;
    // The header block of the request as it would be sent now (no trailing line break).
    std::string HeaderBlock() const;

private:
    int ParseUrl();
    // The body as it goes on the wire: recoded to UTF-8 in UTF-8 mode.
    int RecodeBody(std::string& sent) const;
    std::string BuildHeaderBlock(size_t sentBodyLength) const;
    int SocketConnect();
    int SocketWrite();
    int SocketRead();
    int SocketClose();
    int TlsConnect();
    int TlsWrite();
    int TlsRead();
    int TlsClose();
    void NoteTlsFailure();
    // The milliseconds one wait of a step may take: the step's own time-out (0: none), cut to what
    // is left before the deadline, rounded up. 0 when the deadline has passed.
    int32_t StepBudget(int32_t stepTimeout) const;
    int ReceiveMore();
    int AppendToReplyText(size_t from);
    int BodyToReplyText();
    void ReadHeaderBlock();
    int ReadCookies();
    bool ReplyComplete() const;

    std::string url;
    std::string extraHeaders;
    bool hasBody = false;
    std::string body;
    std::string endMarker;
    bool keepHeaders = true;
    unsigned conversionCodePage = 0;
    std::string scheme;
    std::string host;
    std::string path;
    uint16_t port = 80;
    int32_t schemeEnd = -1;
    int32_t pathStart = -1;
    int32_t connectTimeout = 10000;
    int32_t sendTimeout = 10000;
    int32_t receiveTimeout = 10000;
    // Set when the channel starts connecting: the time-outs added together from then on.
    std::chrono::steady_clock::time_point deadline;
    TlsOptions tlsOptions;
    std::unique_ptr<TlsChannel> tlsChannel;
    TlsProblem tlsProblem = TlsProblem::None;
    std::string tlsDetail;
    bool tlsUnverified = false;
    std::vector<Cookie> cookieJar;
    std::vector<char> receiveBuffer;
    int32_t receivedLength = 0;
    std::string replyText;
    // The reply text ends at the first zero byte of the buffer; once one arrived it stops growing.
    bool replyTextEnded = false;
    // How far the reply text has been searched for the header end and for the end marker.
    size_t headerScanned = 0;
    size_t markerScanned = 0;
    int32_t headerEnd = -1;
    int32_t contentLength = -1;
    bool networkStarted = false;
    Socket socket;
};

} // namespace kh
