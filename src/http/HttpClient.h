#pragma once
// One HTTP request per instance: every server conversation of the client builds a fresh
// HttpClient on its own thread, calls Reset and UseUtf8, then Send, and reads the reply text.
// Send returns 0 or a small error number naming the step that failed; the numbers are shown to
// the user as tip details, so they are part of the interface (see HttpErrors.h). "http" URLs go
// over a plain socket; "https" URLs over TlsChannel (libcurl on Linux, WinHTTP on Windows), with
// the server's certificate checked as SetTls asks.

#include "http/ReplyScan.h"
#include "http/TlsOptions.h"
#include "platform/Socket.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kh {

class Event;
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

    // A stop request for the requests of this client (null: none), kept until Reset. Once stop is
    // signalled, a reply that is still arriving in pieces, or whose headers are being taken apart,
    // ends with kErrStopped; a request still waiting for the first bytes of its reply is finished
    // as before, so a short reply that was already on its way is never lost to a stop.
    void SetStopEvent(const Event* stop) { stopEvent = stop; }

    // The HTTP status of the last reply's status line (413 for a body the server refused as too
    // large), 0 when none was read. The client returns the body of a reply of any status; callers
    // name the status when the body says nothing.
    int LastStatus() const { return statusCode; }
    // The part of the body that had arrived when the last Send failed after the reply's header
    // block was complete (a connection lost mid-body), converted as a reply would be; empty
    // otherwise. A caller whose request has effects (numbers rented) reads what it can from it.
    const std::string& PartialReply() const { return partialReply; }

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
    // Whether the whole reply is in; with an end marker, searches only what arrived since the last call.
    bool ReplyComplete();
    // kErrDeadline once the request's time is up, kErrStopped once its stop is signalled, else 0.
    int CheckTime() const;
    // Keeps the body received so far as the partial reply (after a read that failed mid-body).
    void KeepPartialReply();

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
    // The jar in order of first arrival, and each cookie's place in it by name, so that a reply
    // with many Set-Cookie headers is taken apart in time linear in their number.
    std::vector<Cookie> cookieJar;
    std::unordered_map<std::string, size_t> cookieIndex;
    const Event* stopEvent = nullptr;
    int statusCode = 0;
    std::string partialReply;
    std::vector<char> receiveBuffer;
    int32_t receivedLength = 0;
    std::string replyText;
    // The reply text ends at the first zero byte of the buffer; once one arrived it stops growing.
    bool replyTextEnded = false;
    // How far the reply text has been searched for the header end and for the end marker.
    size_t headerScanned = 0;
    MarkerScan markerScan;
    int32_t headerEnd = -1;
    int32_t contentLength = -1;
    bool networkStarted = false;
    Socket socket;
};

} // namespace kh
