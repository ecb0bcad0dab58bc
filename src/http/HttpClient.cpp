#include "http/HttpClient.h"

#include "base/ReplyFields.h"
#include "http/HostCache.h"
#include "http/HttpErrors.h"
#include "http/TlsChannel.h"
#include "platform/Sync.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <climits>
#include <new>

namespace kh {
namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1)";
constexpr size_t kReceiveStep = 1024;

// Recodes text from one code page to another through UTF-16, with the error numbers of each step.
int Recode(const std::string& text, unsigned from, unsigned to, std::string& out)
{
    if (text.empty()) {
        out.clear();
        return kHttpOk;
    }
    std::u16string wide;
    if (!MultiByteToWide(from, text, wide))
        return kErrToWideConvert;
    if (wide.empty())
        return kErrEmptyWideText;
    std::string result;
    if (!WideToMultiByte(to, wide, result))
        return kErrFromWideConvert;
    if (result.empty())
        return kErrEmptyRecodedText;
    out = std::move(result);
    return kHttpOk;
}

// The number as the C atoi reads it (leading white space, a sign, digits up to the first other
// byte), saturated to 32 bits instead of overflowing.
int32_t ReadDecimal(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

// The client's error number for a failed step of the socket service.
int SocketErrorNumber(SocketError error)
{
    switch (error) {
    case SocketError::None:
        return kHttpOk;
    case SocketError::NetworkStart:
        return kErrNetworkStart;
    case SocketError::Create:
        return kErrSocketCreate;
    case SocketError::NonBlocking:
        return kErrNonBlocking;
    case SocketError::ConnectSucceeded:
        return kErrConnectReturnedSuccess;
    case SocketError::NotConnected:
        return kErrNotConnected;
    case SocketError::Blocking:
        return kErrBlocking;
    case SocketError::SendTimeout:
        return kErrSendTimeout;
    case SocketError::ReceiveTimeout:
        return kErrReceiveTimeout;
    case SocketError::Send:
        return kErrSend;
    case SocketError::Receive:
        return kErrReceive;
    case SocketError::Closed:
        return kErrClosedEarly;
    case SocketError::Deadline:
        return kErrDeadline;
    case SocketError::Close:
        return kErrSocketClose;
    }
    return kErrException;
}

} // namespace

HttpClient::HttpClient() = default;

// A socket left open by a fault is closed by its own destructor.
HttpClient::~HttpClient() = default;

void HttpClient::Reset()
{
    url.clear();
    extraHeaders.clear();
    hasBody = false;
    body.clear();
    endMarker.clear();
    keepHeaders = true;
    conversionCodePage = 0;
    scheme.clear();
    host.clear();
    path.clear();
    port = 80;
    schemeEnd = -1;
    pathStart = -1;
    connectTimeout = 10000;
    sendTimeout = 10000;
    receiveTimeout = 10000;
    tlsOptions = {};
    tlsChannel.reset();
    tlsProblem = TlsProblem::None;
    tlsDetail.clear();
    tlsUnverified = false;
    cookieJar.clear();
    cookieIndex.clear();
    stopEvent = nullptr;
    statusCode = 0;
    partialReply.clear();
    receiveBuffer.clear();
    receivedLength = 0;
    replyText.clear();
    replyTextEnded = false;
    headerScanned = 0;
    markerScan.Reset();
    headerEnd = -1;
    contentLength = -1;
    networkStarted = false;
    socket.Close();
}

void HttpClient::UseUtf8()
{
    conversionCodePage = kCpUtf8;
}

void HttpClient::SetTimeouts(int32_t connectMs, int32_t sendMs, int32_t receiveMs)
{
    connectTimeout = connectMs;
    sendTimeout = sendMs;
    receiveTimeout = receiveMs;
}

int HttpClient::Send(const std::string& url, const std::string& body, std::string& reply,
                     const std::string& extraHeaders, const std::string& endMarker, bool keepHeaders)
{
    try {
        this->url = url;
        this->extraHeaders = extraHeaders;
        this->body = body;
        this->endMarker = endMarker;
        this->keepHeaders = keepHeaders;
        hasBody = true;
        statusCode = 0;
        partialReply.clear();

        int error = ParseUrl();
        if (error != kHttpOk)
            return error;

        const bool secure = scheme == "https";
        const auto limit = std::max<int64_t>(connectTimeout, 0) + std::max<int64_t>(sendTimeout, 0) +
                           std::max<int64_t>(receiveTimeout, 0);
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
        error = secure ? TlsConnect() : SocketConnect();
        if (error == kHttpOk)
            error = secure ? TlsWrite() : SocketWrite();
        if (error == kHttpOk)
            error = secure ? TlsRead() : SocketRead();
        int closeError = secure ? TlsClose() : SocketClose();
        if (error == kHttpOk)
            error = closeError;
        if (error != kHttpOk) {
            if (!partialReply.empty() && conversionCodePage == kCpUtf8) {
                std::string converted;
                if (Recode(partialReply, kCpUtf8, kCpAcp, converted) == kHttpOk)
                    partialReply = std::move(converted);
            }
            return error;
        }

        if (!replyText.empty() && conversionCodePage == kCpUtf8) {
            std::string converted;
            error = Recode(replyText, kCpUtf8, kCpAcp, converted);
            if (error != kHttpOk)
                return error;
            replyText = std::move(converted);
        }
        reply = replyText;
        return kHttpOk;
    } catch (...) {
        // Whatever step threw, no connection is left open behind the request.
        try {
            SocketClose();
            tlsChannel.reset();
        } catch (...) {
        }
        return kErrException;
    }
}

int HttpClient::ParseUrl()
{
    if (url.empty())
        return kErrUrlEmpty;
    size_t separator = url.find("://");
    if (separator == std::string::npos)
        return kErrUrlNoSchemeSeparator;
    schemeEnd = static_cast<int32_t>(separator);
    scheme = url.substr(0, separator);
    if (scheme.empty())
        return kErrUrlEmptyScheme;
    for (char& c : scheme)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (scheme == "http")
        port = 80;
    else if (scheme == "https")
        port = 443;
    else
        return kErrUrlUnknownScheme;

    size_t hostStart = separator + 3;
    if (hostStart >= url.size())
        return kErrUrlNothingAfterScheme;
    size_t slash = url.find('/', hostStart);
    if (slash == std::string::npos)
        return kErrUrlNoPath;
    pathStart = static_cast<int32_t>(slash);
    std::string hostPort = url.substr(hostStart, slash - hostStart);
    if (hostPort.empty())
        return kErrUrlEmptyHostPort;

    size_t colon = hostPort.find(':');
    if (colon != std::string::npos) {
        if (hostPort.back() == ':')
            return kErrUrlPortMissing;
        // Only a plain decimal number from 1 to 65535 is a port; "8080x" or "70000" would otherwise
        // connect somewhere the URL does not name.
        std::string portText = hostPort.substr(colon + 1);
        long value = 0;
        for (char c : portText) {
            if (c < '0' || c > '9' || value > 65535) {
                value = 0;
                break;
            }
            value = value * 10 + (c - '0');
        }
        if (value <= 0 || value > 65535)
            return kErrUrlBadPort;
        host = hostPort.substr(0, colon);
        if (host.empty())
            return kErrUrlEmptyHost;
        port = static_cast<uint16_t>(value);
    } else {
        host = hostPort;
    }
    path = url.substr(slash);

    // A space or control byte in the URL would end up inside the request line and could start a
    // header line of its own.
    for (unsigned char c : url)
        if (c <= 0x20 || c == 0x7F)
            return kErrUrlBadCharacter;
    return kHttpOk;
}

int HttpClient::RecodeBody(std::string& sent) const
{
    if (conversionCodePage == kCpUtf8 && !body.empty())
        return Recode(body, kCpAcp, kCpUtf8, sent);
    sent = body;
    return kHttpOk;
}

std::string HttpClient::BuildHeaderBlock(size_t sentBodyLength) const
{
    std::string block = "Host: " + host;
    block += "\r\nUser-Agent: ";
    block += kUserAgent;
    if (!extraHeaders.empty())
        block += "\r\n" + extraHeaders;
    if (hasBody) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: ";
        block += std::to_string(sentBodyLength);
    }
    std::string cookies = CookieHeader();
    if (!cookies.empty())
        block += "\r\n" + cookies;
    return block;
}

std::string HttpClient::HeaderBlock() const
{
    std::string sent;
    if (RecodeBody(sent) != kHttpOk)
        sent = body;
    return BuildHeaderBlock(sent.size());
}

int HttpClient::SocketConnect()
{
    // The socket library is started once per process, inside the first Open; the flag mirrors the
    // request's life.
    networkStarted = true;
    SocketError failure = socket.Open(AddressFamily::Ipv4);
    if (failure == SocketError::NetworkStart)
        networkStarted = false;
    if (failure != SocketError::None)
        return SocketErrorNumber(failure);

    uint32_t address = 0;
    int error = ResolveHost(host, address);
    if (error != kHttpOk)
        return error;

    // A connect that is refused at once is as much "not connected" as one that never completes;
    // both make the next request look the host up again.
    failure = socket.Connect(IpAddress::FromIpv4(address), port,
                             std::min(connectTimeout < 0 ? 0 : connectTimeout, StepBudget(0)));
    if (failure == SocketError::NotConnected) {
        error = ClearHostCache();
        return error != kHttpOk ? error : kErrNotConnected;
    }
    if (failure == SocketError::None)
        failure = socket.SetTimeouts(sendTimeout, receiveTimeout);
    return SocketErrorNumber(failure);
}

int HttpClient::SocketWrite()
{
    std::string sent;
    int error = RecodeBody(sent);
    if (error != kHttpOk)
        return error;
    std::string request = hasBody ? "POST " : "GET ";
    request += path;
    request += " HTTP/1.1\r\n";
    request += BuildHeaderBlock(sent.size());
    request += "\r\n\r\n";
    if (hasBody)
        request += sent;

    // A partial send is continued until the whole request is out, each call within what is left of
    // the request's time.
    return SocketErrorNumber(socket.SendAll(request, WaitLimit{sendTimeout, deadline}));
}

int HttpClient::AppendToReplyText(size_t from)
{
    if (replyTextEnded)
        return kHttpOk;
    size_t end = from;
    while (end < static_cast<size_t>(receivedLength) && receiveBuffer[end] != '\0')
        ++end;
    try {
        replyText.append(receiveBuffer.data() + from, end - from);
    } catch (const std::bad_alloc&) {
        return kErrReplyTextAllocation;
    }
    if (end < static_cast<size_t>(receivedLength))
        replyTextEnded = true;
    return kHttpOk;
}

int32_t HttpClient::StepBudget(int32_t stepTimeout) const
{
    return WaitLimit{stepTimeout, deadline}.Budget();
}

int HttpClient::ReceiveMore()
{
    size_t room = static_cast<size_t>(kMaxReplyBytes - receivedLength);
    if (room == 0)
        return kErrReplyTooLarge;
    size_t step = room < kReceiveStep ? room : kReceiveStep;
    try {
        receiveBuffer.resize(static_cast<size_t>(receivedLength) + step);
    } catch (const std::bad_alloc&) {
        return kErrBufferAllocation;
    }
    // The receive time-out bounds this one wait for data, the deadline all of them.
    size_t n = 0;
    SocketError failure =
        socket.Receive(receiveBuffer.data() + receivedLength, step, WaitLimit{receiveTimeout, deadline}, n);
    if (failure != SocketError::None)
        return SocketErrorNumber(failure);
    size_t from = static_cast<size_t>(receivedLength);
    receivedLength += static_cast<int32_t>(n);
    receiveBuffer.resize(static_cast<size_t>(receivedLength));
    int error = AppendToReplyText(from);
    if (error != kHttpOk)
        return error;
    if (replyText.empty())
        return kErrReplyTextEmpty;
    return kHttpOk;
}

void HttpClient::ReadHeaderBlock()
{
    // "HTTP/1.1 413 Payload Too Large": the three digits after the first space.
    if (replyText.rfind("HTTP/", 0) == 0) {
        size_t space = replyText.find(' ');
        if (space != std::string::npos && space + 3 < static_cast<size_t>(headerEnd)) {
            int status = 0;
            for (size_t i = space + 1; i < space + 4 && replyText[i] >= '0' && replyText[i] <= '9'; ++i)
                status = status * 10 + (replyText[i] - '0');
            statusCode = status >= 100 ? status : 0;
        }
    }
    std::string value = GetReplyField(replyText.substr(0, static_cast<size_t>(headerEnd)), "Content-Length:", "\r\n");
    contentLength = value.empty() ? -1 : ReadDecimal(value);
}

bool HttpClient::ReplyComplete()
{
    if (!endMarker.empty())
        return markerScan.Found(replyText, endMarker);
    if (headerEnd == -1)
        return false;
    return contentLength == -1 || receivedLength - headerEnd >= contentLength;
}

int HttpClient::SocketRead()
{
    receiveBuffer.clear();
    receivedLength = 0;
    replyText.clear();
    replyTextEnded = false;
    headerScanned = 0;
    markerScan.Reset();
    headerEnd = -1;
    contentLength = -1;

    for (;;) {
        if (headerEnd == -1 && !replyText.empty()) {
            // Search only what is new, plus three bytes a "\r\n\r\n" may straddle.
            size_t from = headerScanned > 3 ? headerScanned - 3 : 0;
            size_t pos = replyText.find("\r\n\r\n", from);
            headerScanned = replyText.size();
            if (pos != std::string::npos) {
                headerEnd = static_cast<int32_t>(pos + 4);
                ReadHeaderBlock();
                // An announced body that cannot fit under the cap fails now instead of after
                // receiving 16 MiB.
                if (endMarker.empty() && contentLength > kMaxReplyBytes - headerEnd)
                    return kErrReplyTooLarge;
            }
        }
        if (ReplyComplete())
            break;
        // A reply that is still arriving in pieces ends when it is stopped; the wait for its first
        // piece is bounded by the time-outs alone.
        int error = receivedLength > 0 ? CheckTime() : kHttpOk;
        if (error == kHttpOk)
            error = ReceiveMore();
        if (error != kHttpOk) {
            KeepPartialReply();
            return error;
        }
    }

    int error = ReadCookies();
    if (error != kHttpOk)
        return error;
    if (!keepHeaders && headerEnd != -1)
        return BodyToReplyText();
    return kHttpOk;
}

int HttpClient::CheckTime() const
{
    if (stopEvent != nullptr && stopEvent->Signalled())
        return kErrStopped;
    if (std::chrono::steady_clock::now() >= deadline)
        return kErrDeadline;
    return kHttpOk;
}

void HttpClient::KeepPartialReply()
{
    if (headerEnd == -1)
        return;
    size_t from = keepHeaders ? 0 : static_cast<size_t>(headerEnd);
    if (from < replyText.size())
        partialReply = replyText.substr(from);
}

int HttpClient::BodyToReplyText()
{
    replyText.clear();
    replyTextEnded = false;
    int error = AppendToReplyText(static_cast<size_t>(headerEnd));
    if (error != kHttpOk)
        return error;
    if (replyText.empty() && receivedLength > headerEnd)
        return kErrReplyTextEmpty;
    return kHttpOk;
}

int HttpClient::ReadCookies()
{
    if (headerEnd == -1)
        return kHttpOk;
    static const std::string kSetCookie = "Set-Cookie:";
    const std::string block = replyText.substr(0, static_cast<size_t>(headerEnd));
    size_t lineStart = 0;
    while (lineStart < block.size()) {
        size_t lineEnd = block.find("\r\n", lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = block.size();
        std::string line = block.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        if (line.find(kSetCookie) == std::string::npos)
            continue;
        ReplaceAll(line, kSetCookie, "");
        if (line.empty())
            continue;
        // A header block of many cookies is taken apart within the request's time, and a stop
        // ends it.
        int error = CheckTime();
        if (error == kHttpOk)
            error = AddCookie(line);
        if (error != kHttpOk)
            return error;
    }
    return kHttpOk;
}

int HttpClient::AddCookie(const std::string& setCookieValue)
{
    std::string text = setCookieValue + ";";
    Cookie cookie;
    cookie.name = GetReplyField(text, "", "=");
    if (cookie.name.empty())
        return kErrCookieWithoutName;
    cookie.value = GetReplyField(text, "=", ";");
    cookie.path = GetReplyField(text, ";path=", ";");
    cookie.domain = GetReplyField(text, ";domain=", ";");
    auto [known, added] = cookieIndex.try_emplace(cookie.name, cookieJar.size());
    if (!added) {
        Cookie& stored = cookieJar[known->second];
        if (!cookie.value.empty())
            stored.value = cookie.value;
        if (!cookie.path.empty())
            stored.path = cookie.path;
        if (!cookie.domain.empty())
            stored.domain = cookie.domain;
        return kHttpOk;
    }
    cookieJar.push_back(std::move(cookie));
    return kHttpOk;
}

std::string HttpClient::CookieHeader() const
{
    std::string header;
    if (host.empty() || path.empty())
        return header;
    for (const Cookie& cookie : cookieJar) {
        if (cookie.name.empty() || cookie.value.empty())
            continue;
        if (!cookie.domain.empty()) {
            size_t pos = host.rfind(cookie.domain);
            if (pos == std::string::npos || pos + cookie.domain.size() != host.size())
                continue;
        }
        if (!cookie.path.empty()) {
            if (path.compare(0, cookie.path.size(), cookie.path) != 0)
                continue;
            bool boundary = cookie.path.back() == '/' || path.size() <= cookie.path.size();
            if (!boundary) {
                char next = path[cookie.path.size()];
                boundary = next == '/' || next == '?' || next == '#';
            }
            if (!boundary)
                continue;
        }
        header += header.empty() ? "Cookie: " : "; ";
        header += cookie.name + "=" + cookie.value;
    }
    return header;
}

int HttpClient::SocketClose()
{
    // The socket library stays started for the process's later requests, so there is nothing to
    // stop and the stop's failure (142) cannot happen.
    int error = SocketErrorNumber(socket.Close());
    networkStarted = false;
    return error;
}

// The https channel: HttpClient looks the host up, builds the header block and the body, fills
// the cookie jar and makes the reply text; TlsChannel carries the request over the system's HTTPS
// library.
int HttpClient::TlsConnect()
{
    tlsProblem = TlsProblem::None;
    tlsDetail.clear();
    tlsUnverified = false;
    TlsTarget target;
    int error = ResolveHostText(host, target.address);
    if (error != kHttpOk)
        return error;
    target.host = host;
    target.port = port;
    target.path = path;
    target.connectMs = connectTimeout;
    target.sendMs = sendTimeout;
    target.receiveMs = receiveTimeout;
    target.totalMs = StepBudget(0);
    if (target.totalMs == 0)
        return kErrDeadline;
    target.tls = tlsOptions;
    tlsChannel = std::make_unique<TlsChannel>();
    error = tlsChannel->Open(target);
    if (error != kHttpOk) {
        NoteTlsFailure();
        return error;
    }
    tlsUnverified = tlsOptions.insecure;
    return kHttpOk;
}

int HttpClient::TlsWrite()
{
    std::string sent;
    int error = RecodeBody(sent);
    if (error != kHttpOk)
        return error;
    std::string block = BuildHeaderBlock(sent.size());
    return tlsChannel->SetRequest(block, hasBody, std::move(sent));
}

int HttpClient::TlsRead()
{
    receivedLength = 0;
    replyText.clear();
    replyTextEnded = false;
    headerEnd = -1;
    contentLength = -1;
    int error = tlsChannel->Perform(
        endMarker, kMaxReplyBytes,
        [this](const std::string& value) {
            int late = CheckTime();
            return late != kHttpOk ? late : AddCookie(value);
        },
        receiveBuffer);
    if (error != kHttpOk) {
        NoteTlsFailure();
        return error;
    }
    statusCode = 200;
    // The buffer holds the body alone; it becomes the reply text as on the socket channel.
    receivedLength = static_cast<int32_t>(receiveBuffer.size());
    error = AppendToReplyText(0);
    if (error != kHttpOk)
        return error;
    if (replyText.empty() && receivedLength > 0)
        return kErrReplyTextEmpty;
    return kHttpOk;
}

int HttpClient::TlsClose()
{
    tlsChannel.reset();
    return kHttpOk;
}

void HttpClient::NoteTlsFailure()
{
    tlsProblem = tlsChannel->Problem();
    tlsDetail = tlsChannel->Detail();
}

} // namespace kh
