#include "http/TlsChannel.h"

#include "http/HostCache.h"
#include "http/HttpErrors.h"
#include "http/ReplyScan.h"
#include "platform/posix/RunTimeLibrary.h"

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>
#include <openssl/x509_vfy.h>
#include <string_view>
#include <strings.h>

// How libcurl's results become HttpClient's error numbers. Each failure takes the number of the
// https channel step it belongs to, so a user sees the same numbers whichever library carries the
// request:
//
//   curl_easy_init fails                                      18  kErrTlsSessionOpen
//   a time-out option is refused                              21  kErrTlsTimeouts
//   any other option is refused, the URL is malformed         30  kErrTlsOpenRequest
//   the request header list cannot be built                   36  kErrTlsAddHeaders
//   the TCP connection is refused or not made within the
//   connect time-out, the TLS handshake fails or times out
//   (in these cases the host cache is cleared, as the socket
//   channel does), sending fails                              45  kErrTlsSendRequest
//   the response header does not arrive complete              48  kErrTlsReceiveResponse
//   the status is not 200 (the body is not read)              50  kErrTlsStatusNot200
//   libcurl runs out of memory                                72  kErrTlsBufferAllocation
//   reading the body fails                                    78  kErrTlsReadData
//   the body ends before its Content-Length                   79  kErrTlsShortRead
//   a Set-Cookie value is refused by the jar                  89  (the jar's number)
//   the body is larger than the cap                           131 kErrReplyTooLarge
//   once connected, nothing arrives for the receive time-out,
//   or the request outlives the time-outs added together      133 kErrDeadline
//   the server's certificate fails the check                  134 kErrTlsCertificate
//   the CA file cannot be read or holds no certificate        135 kErrTlsCaFile
//
// Host names are never resolved by libcurl: CURLOPT_RESOLVE pins host:port to the address from
// the host cache, so an unknown host fails with the cache's number before anything is connected.
//
// libcurl is loaded when the first https request opens, not when the program starts: with the TLS,
// Kerberos, LDAP and SSH libraries it pulls in, loading it costs the windowed client about a tenth
// of its start-up, before a request is even possible. When it cannot be loaded, Open fails with 18
// and the loader's message as the detail.

namespace kh {
namespace {

// The libcurl functions this channel calls, resolved from the library loaded at run time.
struct CurlApi
{
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_setopt) easySetopt = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&::curl_easy_perform) easyPerform = nullptr;
    decltype(&::curl_easy_strerror) easyStrerror = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&::curl_version_info) versionInfo = nullptr;
    // Why the library could not be used; empty when every function was found.
    std::string problem;
};

// Loads libcurl and runs curl_global_init once, on the first call from any thread (the global
// initialisation is not safe to run on two threads at once; clients start on many). The library
// stays loaded until the process ends.
const CurlApi& Curl()
{
    static CurlApi api;
    static std::once_flag once;
    std::call_once(once, [] {
        // The soname of the libcurl the headers were built for: libcurl4 on Debian.
        void* library = LoadRunTimeLibrary("libcurl.so.4", api.problem);
        if (library == nullptr)
            return;
        auto resolve = [&](const char* name, auto& function) {
            ResolveRunTimeFunction(library, "libcurl", name, function, api.problem);
        };
        resolve("curl_global_init", api.globalInit);
        resolve("curl_easy_init", api.easyInit);
        resolve("curl_easy_setopt", api.easySetopt);
        resolve("curl_easy_getinfo", api.easyGetinfo);
        resolve("curl_easy_perform", api.easyPerform);
        resolve("curl_easy_strerror", api.easyStrerror);
        resolve("curl_easy_cleanup", api.easyCleanup);
        resolve("curl_slist_append", api.slistAppend);
        resolve("curl_slist_free_all", api.slistFreeAll);
        resolve("curl_version_info", api.versionInfo);
        if (api.problem.empty() && api.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            api.problem = "curl_global_init failed";
    });
    return api;
}

bool ReadWholeFile(const std::string& file, std::string& text)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The certificate check's verdict is OpenSSL's verify result when libcurl runs on OpenSSL; other
// TLS libraries report their own codes, which are not interpreted.
TlsProblem ClassifyVerifyResult(long result)
{
    const curl_version_info_data* info = Curl().versionInfo(CURLVERSION_NOW);
    if (info == nullptr || info->ssl_version == nullptr || std::strncmp(info->ssl_version, "OpenSSL", 7) != 0)
        return TlsProblem::Other;
    switch (result) {
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
        // A broken chain fails inside the handshake and leaves OpenSSL's verdict here. With none,
        // the chain was fine and libcurl's own comparison of the names with the host failed
        // (libcurl compares them before it copies the verdict, leaving its "unspecified" start value).
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return TlsProblem::NameMismatch;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return TlsProblem::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return TlsProblem::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return TlsProblem::SelfSigned;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return TlsProblem::UnknownIssuer;
    default:
        return TlsProblem::Other;
    }
}

template <typename T> bool SetOption(CURL* curl, CURLoption option, T value)
{
    return Curl().easySetopt(curl, option, value) == CURLE_OK;
}

} // namespace

struct TlsChannel::Session
{
    ~Session() { Close(); }

    int Open(const TlsTarget& target);
    int SetRequest(const std::string& headerBlock, bool post, std::string sentBody);
    int Perform(const std::string& marker, size_t limit, const CookieSink& cookies, std::vector<char>& received);
    void Close();

    // libcurl's header and write callbacks; userdata is the session.
    static size_t HeaderCallback(char* data, size_t size, size_t count, void* userdata);
    static size_t BodyCallback(char* data, size_t size, size_t count, void* userdata);
    size_t OnHeader(const char* data, size_t length);
    size_t OnBody(const char* data, size_t length);
    int MapResult(int curlResult);
    int SetCaBundle(const std::string& caFile);

    CURL* curl = nullptr;
    curl_slist* headers = nullptr; // the request headers
    curl_slist* resolve = nullptr; // pins host:port to the address
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
    ReplyTextScan scan;
    int callbackError = 0;
    TlsProblem problem = TlsProblem::None;
    std::string detail;
};

TlsChannel::TlsChannel() : session(std::make_unique<Session>()) {}

TlsChannel::~TlsChannel() = default;

int TlsChannel::Open(const TlsTarget& target)
{
    return session->Open(target);
}

int TlsChannel::SetRequest(const std::string& headerBlock, bool post, std::string sentBody)
{
    return session->SetRequest(headerBlock, post, std::move(sentBody));
}

int TlsChannel::Perform(const std::string& endMarker, size_t maxBytes, const CookieSink& cookies,
                        std::vector<char>& received)
{
    return session->Perform(endMarker, maxBytes, cookies, received);
}

void TlsChannel::Close()
{
    session->Close();
}

TlsProblem TlsChannel::Problem() const
{
    return session->problem;
}

const std::string& TlsChannel::Detail() const
{
    return session->detail;
}

int TlsChannel::Session::Open(const TlsTarget& target)
{
    const CurlApi& api = Curl();
    if (!api.problem.empty()) {
        detail = api.problem;
        return kErrTlsSessionOpen;
    }
    CURL* handle = api.easyInit();
    if (handle == nullptr)
        return kErrTlsSessionOpen;
    curl = handle;
    errorBuffer.assign(CURL_ERROR_SIZE, '\0');

    // libcurl reads 0 as "no limit" (connect: its default of five minutes); the client's time-outs
    // are limits, so the smallest one is 1 ms.
    const long connectMs = std::max<long>(target.connectMs, 1);
    const long totalMs = std::max<long>(target.totalMs, 1);
    bool ok = SetOption(handle, CURLOPT_CONNECTTIMEOUT_MS, connectMs) && SetOption(handle, CURLOPT_TIMEOUT_MS, totalMs);
    // libcurl has no time-out per receive; a transfer slower than one byte per second over the
    // receive time-out (whole seconds) is the nearest it offers.
    if (ok && target.receiveMs > 0)
        ok = SetOption(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) &&
             SetOption(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>((target.receiveMs + 999) / 1000));
    if (!ok)
        return kErrTlsTimeouts;

    url = "https://" + target.host + ":" + std::to_string(target.port) + target.path;
    const std::string pin = target.host + ":" + std::to_string(target.port) + ":" + target.address;
    curl_slist* pinned = api.slistAppend(nullptr, pin.c_str());
    if (pinned == nullptr)
        return kErrTlsOpenRequest;
    resolve = pinned;

    const long verify = target.tls.insecure ? 0L : 1L;
    ok = SetOption(handle, CURLOPT_ERRORBUFFER, errorBuffer.data()) && SetOption(handle, CURLOPT_URL, url.c_str()) &&
         SetOption(handle, CURLOPT_RESOLVE, pinned) && SetOption(handle, CURLOPT_PROTOCOLS_STR, "https") &&
         // No proxy, whatever the environment says: the request goes to the address looked up.
         SetOption(handle, CURLOPT_PROXY, "") && SetOption(handle, CURLOPT_NOSIGNAL, 1L) &&
         SetOption(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
         // The path goes out as the URL has it, without "/../" folded away.
         SetOption(handle, CURLOPT_PATH_AS_IS, 1L) && SetOption(handle, CURLOPT_FOLLOWLOCATION, 0L) &&
         SetOption(handle, CURLOPT_SSL_VERIFYPEER, verify) && SetOption(handle, CURLOPT_SSL_VERIFYHOST, verify * 2) &&
         SetOption(handle, CURLOPT_HEADERFUNCTION, &Session::HeaderCallback) &&
         SetOption(handle, CURLOPT_HEADERDATA, this) &&
         SetOption(handle, CURLOPT_WRITEFUNCTION, &Session::BodyCallback) && SetOption(handle, CURLOPT_WRITEDATA, this);
    if (!ok)
        return kErrTlsOpenRequest;
    if (!target.tls.insecure && !target.tls.caFile.empty())
        return SetCaBundle(target.tls.caFile);
    return kHttpOk;
}

int TlsChannel::Session::SetCaBundle(const std::string& caFile)
{
    std::string extra;
    if (!ReadWholeFile(caFile, extra) || extra.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        problem = TlsProblem::CaFileUnusable;
        detail = "cannot read a PEM certificate from " + caFile;
        return kErrTlsCaFile;
    }
    // A CA bundle given to libcurl replaces its default bundle file, so the system's bundle goes
    // first and the extra authorities are added behind it. The system's certificate directory, if
    // libcurl has one, stays in use either way.
    char* systemFile = nullptr;
    if (Curl().easyGetinfo(curl, CURLINFO_CAINFO, &systemFile) == CURLE_OK && systemFile != nullptr)
        ReadWholeFile(systemFile, caBundle);
    caBundle += "\n";
    caBundle += extra;
    curl_blob blob{caBundle.data(), caBundle.size(), CURL_BLOB_NOCOPY};
    if (!SetOption(curl, CURLOPT_CAINFO_BLOB, &blob))
        return kErrTlsOpenRequest;
    return kHttpOk;
}

int TlsChannel::Session::SetRequest(const std::string& headerBlock, bool post, std::string sentBody)
{
    CURL* handle = curl;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= headerBlock.size()) {
        size_t end = headerBlock.find("\r\n", start);
        if (end == std::string::npos)
            end = headerBlock.size();
        if (end > start)
            lines.push_back(headerBlock.substr(start, end - start));
        start = end + 2;
    }
    // The header block is the whole request header: libcurl's own Accept and, for larger bodies,
    // Expect lines are switched off ("Name:" with nothing behind removes a header).
    lines.emplace_back("Accept:");
    lines.emplace_back("Expect:");
    for (const std::string& line : lines) {
        curl_slist* next = Curl().slistAppend(headers, line.c_str());
        if (next == nullptr)
            return kErrTlsAddHeaders;
        headers = next;
    }
    if (!SetOption(handle, CURLOPT_HTTPHEADER, headers))
        return kErrTlsAddHeaders;

    bool ok;
    if (post) {
        body = std::move(sentBody);
        ok = SetOption(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) &&
             SetOption(handle, CURLOPT_POSTFIELDS, body.c_str());
    } else {
        ok = SetOption(handle, CURLOPT_HTTPGET, 1L);
    }
    return ok ? kHttpOk : kErrTlsSendRequest;
}

int TlsChannel::Session::Perform(const std::string& marker, size_t limit, const CookieSink& cookies,
                                 std::vector<char>& received)
{
    received.clear();
    endMarker = &marker;
    maxBytes = limit;
    cookieSink = &cookies;
    receivedBody = &received;
    setCookies.clear();
    headersDone = false;
    markerFound = false;
    scan = ReplyTextScan(marker);
    callbackError = kHttpOk;
    problem = TlsProblem::None;
    detail.clear();

    CURLcode result = Curl().easyPerform(curl);
    receivedBody = nullptr;
    if (result == CURLE_OK && headersDone)
        return kHttpOk;
    // The write callback stops the transfer once the end marker has arrived.
    if (result == CURLE_WRITE_ERROR && markerFound)
        return kHttpOk;
    int error = result == CURLE_OK ? kErrTlsReceiveResponse : MapResult(result);
    detail = errorBuffer[0] != '\0' ? std::string(errorBuffer.data()) : std::string(Curl().easyStrerror(result));
    return error;
}

int TlsChannel::Session::MapResult(int curlResult)
{
    CURL* handle = curl;
    const CurlApi& api = Curl();
    curl_off_t handshakeTime = 0;
    api.easyGetinfo(handle, CURLINFO_APPCONNECT_TIME_T, &handshakeTime);
    long verifyResult = X509_V_OK;
    api.easyGetinfo(handle, CURLINFO_SSL_VERIFYRESULT, &verifyResult);

    switch (curlResult) {
    case CURLE_WRITE_ERROR:
        if (callbackError != kHttpOk)
            return callbackError;
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        problem = ClassifyVerifyResult(verifyResult);
        return kErrTlsCertificate;
    case CURLE_SSL_CACERT_BADFILE:
        problem = TlsProblem::CaFileUnusable;
        return kErrTlsCaFile;
    case CURLE_OUT_OF_MEMORY:
        return kErrTlsBufferAllocation;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kErrTlsOpenRequest;
    case CURLE_PARTIAL_FILE:
        return kErrTlsShortRead;
    default:
        break;
    }
    if (handshakeTime == 0) {
        // Not connected, or the TLS session never came up; the certificate may be why.
        if (verifyResult != X509_V_OK && verifyResult != X509_V_ERR_UNSPECIFIED) {
            problem = ClassifyVerifyResult(verifyResult);
            return kErrTlsCertificate;
        }
        // As on the socket channel, an address that does not answer is looked up again next time.
        // libcurl does not tell a TCP connect that timed out from a handshake that did, so both
        // clear the cache.
        if (curlResult == CURLE_COULDNT_CONNECT || curlResult == CURLE_OPERATION_TIMEDOUT ||
            curlResult == CURLE_SSL_CONNECT_ERROR)
            ClearHostCache();
        return kErrTlsSendRequest;
    }
    if (curlResult == CURLE_OPERATION_TIMEDOUT)
        return kErrDeadline;
    if (curlResult == CURLE_SEND_ERROR)
        return kErrTlsSendRequest;
    return headersDone ? kErrTlsReadData : kErrTlsReceiveResponse;
}

size_t TlsChannel::Session::HeaderCallback(char* data, size_t size, size_t count, void* userdata)
{
    return static_cast<Session*>(userdata)->OnHeader(data, size * count);
}

size_t TlsChannel::Session::BodyCallback(char* data, size_t size, size_t count, void* userdata)
{
    return static_cast<Session*>(userdata)->OnBody(data, size * count);
}

size_t TlsChannel::Session::OnHeader(const char* data, size_t length)
{
    std::string_view line(data, length);
    if (line.starts_with("HTTP/")) {
        // The status line of a response; after an interim 1xx response the real one follows.
        setCookies.clear();
        headersDone = false;
        return length;
    }
    if (line == "\r\n" || line == "\n") {
        long status = 0;
        Curl().easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 100 && status < 200)
            return length;
        if (status != 200) {
            callbackError = kErrTlsStatusNot200;
            return 0;
        }
        curl_off_t announced = -1;
        Curl().easyGetinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        // An announced body that cannot fit under the cap fails now instead of after the cap.
        if (endMarker->empty() && announced > 0 && static_cast<size_t>(announced) > maxBytes) {
            callbackError = kErrReplyTooLarge;
            return 0;
        }
        for (const std::string& value : setCookies) {
            int error = (*cookieSink)(value);
            if (error != kHttpOk) {
                callbackError = error;
                return 0;
            }
        }
        headersDone = true;
        return length;
    }
    constexpr std::string_view kSetCookie = "Set-Cookie:";
    if (line.size() > kSetCookie.size() && strncasecmp(line.data(), kSetCookie.data(), kSetCookie.size()) == 0) {
        std::string_view value = line.substr(kSetCookie.size());
        while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
            value.remove_suffix(1);
        if (!value.empty())
            setCookies.emplace_back(value);
    }
    return length;
}

size_t TlsChannel::Session::OnBody(const char* data, size_t length)
{
    std::vector<char>& received = *receivedBody;
    if (length > maxBytes - received.size()) {
        callbackError = kErrReplyTooLarge;
        return 0;
    }
    const size_t from = received.size();
    try {
        received.insert(received.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        callbackError = kErrTlsBufferAllocation;
        return 0;
    }
    if (scan.Arrived(received, from)) {
        markerFound = true;
        return 0;
    }
    return length;
}

void TlsChannel::Session::Close()
{
    // Whatever is held was made by the loaded library; a session that holds nothing does not load it.
    if (curl == nullptr && headers == nullptr && resolve == nullptr)
        return;
    const CurlApi& api = Curl();
    if (curl != nullptr)
        api.easyCleanup(curl);
    curl = nullptr;
    api.slistFreeAll(headers);
    headers = nullptr;
    api.slistFreeAll(resolve);
    resolve = nullptr;
}

} // namespace kh
