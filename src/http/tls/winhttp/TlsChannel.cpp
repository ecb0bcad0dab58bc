// The https channel on Windows, built on WinHTTP in synchronous mode.
//
// WinHTTP connects to the host by name (it resolves the name itself; it offers no way to connect to
// the address HttpClient looked up while the TLS server name and the certificate check use the
// name), so the name travels in the handshake and WinHTTP checks the certificate's name, dates and
// chain before a byte of the request is sent. HttpClient's look-up still comes first: an unknown host
// fails with the host cache's number before anything is connected, and a connection that fails
// clears the cache as the socket channel does.
//
// Certificate policy, as on Linux:
//   - default: WinHTTP's own checks against the system's trust store;
//   - CA file: WinHTTP still checks name and dates but leaves the issuer to this channel, which
//     builds the chain with the file's certificates added and accepts it when it ends at a root the
//     system trusts or at one of the file's certificates. The check runs when WinHTTP announces the
//     request is about to be sent; a refused certificate closes the request handle there, which
//     stops WinHTTP before the request goes out;
//   - insecure: issuer, usage, name and dates are all ignored.
//
// How WinHTTP's results become HttpClient's error numbers:
//   WinHttpOpen fails                                         18  kErrTlsSessionOpen
//   WinHttpSetTimeouts fails                                  21  kErrTlsTimeouts
//   WinHttpConnect fails                                      25  kErrTlsConnect
//   WinHttpOpenRequest or another request option fails       30  kErrTlsOpenRequest
//   the security flags cannot be read, written               32, 33
//   the header block cannot be added                          36  kErrTlsAddHeaders
//   connecting, the handshake or sending fails (a failure to
//   connect or to finish the handshake clears the host cache) 45  kErrTlsSendRequest
//   the response does not arrive complete                     48  kErrTlsReceiveResponse
//   the status cannot be read                                 49  kErrTlsQueryStatus
//   the status is not 200 (the body is not read)              50  kErrTlsStatusNot200
//   a Set-Cookie header cannot be read: size, buffer, value   53, 54, 55
//   a Set-Cookie value is refused by the jar                  89  (the jar's number)
//   asking for available body bytes fails                     69  kErrTlsQueryDataAvailable
//   the receive buffer cannot grow                            72  kErrTlsBufferAllocation
//   reading body bytes fails                                  78  kErrTlsReadData
//   the body ends before its Content-Length                   79  kErrTlsShortRead
//   the body is larger than the cap                           131 kErrReplyTooLarge
//   a wait runs into the receive time-out, or the request
//   outlives the time-outs added together                     133 kErrDeadline
//   the server's certificate fails the check                  134 kErrTlsCertificate
//   the CA file cannot be read or holds no certificate        135 kErrTlsCaFile

#include "http/TlsChannel.h"

#include "http/HostCache.h"
#include "http/HttpErrors.h"
#include "http/ReplyScan.h"
#include "platform/Socket.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>
#include <string_view>

// windows.h first: the other two build on its types.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>
// clang-format on

namespace kh {
namespace {

std::wstring Widen(std::string_view text)
{
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

bool Narrow(std::wstring_view wide, std::string& text)
{
    text.clear();
    if (wide.empty())
        return true;
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    text.resize(static_cast<size_t>(length));
    return ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                                 nullptr) == length;
}

// WinHTTP's description of error, or its number when it has none.
std::string Describe(DWORD error)
{
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                              FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          ::GetModuleHandleW(L"winhttp.dll"), error, 0,
                                          reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text;
    if (length > 0 && message != nullptr)
        Narrow(std::wstring_view(message, length), text);
    if (message != nullptr)
        ::LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "WinHTTP error " + std::to_string(error) : text;
}

// The certificates of a PEM file in a memory store; null when the file cannot be read or holds none.
HCERTSTORE LoadPemCertificates(const std::string& file)
{
    FILE* in = ::_wfopen(Widen(file).c_str(), L"rb");
    if (in == nullptr)
        return nullptr;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        text.append(buffer, n);
    std::fclose(in);

    HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (store == nullptr)
        return nullptr;
    constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
    constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
    size_t added = 0;
    for (size_t begin = text.find(kBegin); begin != std::string::npos; begin = text.find(kBegin, begin + 1)) {
        const size_t end = text.find(kEnd, begin);
        if (end == std::string::npos)
            break;
        const std::string block = text.substr(begin, end + kEnd.size() - begin);
        DWORD size = 0;
        if (!::CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                    &size, nullptr, nullptr))
            continue;
        std::vector<BYTE> der(size);
        if (::CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                   der.data(), &size, nullptr, nullptr) &&
            ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_USE_EXISTING,
                                               nullptr))
            ++added;
    }
    if (added == 0) {
        ::CertCloseStore(store, 0);
        return nullptr;
    }
    return store;
}

bool SelfIssued(PCCERT_CONTEXT certificate)
{
    return ::CertCompareCertificateName(X509_ASN_ENCODING, &certificate->pCertInfo->Subject,
                                        &certificate->pCertInfo->Issuer) != FALSE;
}

// Whether certificate's chain, built with the server's own intermediates and the CA file's
// certificates, ends at a root the system trusts or at a certificate of the CA file.
TlsProblem CheckIssuer(PCCERT_CONTEXT certificate, HCERTSTORE caStore)
{
    HCERTSTORE extra = ::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
    if (extra == nullptr)
        return TlsProblem::Other;
    ::CertAddStoreToCollection(extra, caStore, 0, 0);
    if (certificate->hCertStore != nullptr)
        ::CertAddStoreToCollection(extra, certificate->hCertStore, 0, 0);
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    const BOOL built = ::CertGetCertificateChain(nullptr, certificate, nullptr, extra, &para, 0, nullptr, &chain);
    TlsProblem problem = TlsProblem::Other;
    if (built && chain != nullptr && chain->cChain > 0 && chain->rgpChain[0]->cElement > 0) {
        const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
        PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
        // Revocation cannot be looked up for a private CA; WinHTTP does not ask for it either.
        const DWORD errors =
            chain->TrustStatus.dwErrorStatus &
            ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
        const bool rootInFile =
            ::CertFindCertificateInStore(caStore, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, root, nullptr) != nullptr;
        if (errors == CERT_TRUST_NO_ERROR || (errors == CERT_TRUST_IS_UNTRUSTED_ROOT && rootInFile))
            problem = TlsProblem::None;
        else if (simple->cElement == 1 && SelfIssued(certificate))
            problem = TlsProblem::SelfSigned;
        else
            problem = TlsProblem::UnknownIssuer;
    }
    if (chain != nullptr)
        ::CertFreeCertificateChain(chain);
    ::CertCloseStore(extra, 0);
    return problem;
}

// What a failed WinHTTP check found: the flags of its secure-failure notice, refined by a look at
// the certificate where the flags cannot tell (expired or not yet valid, self-signed or not).
TlsProblem ClassifyFailure(DWORD flags, PCCERT_CONTEXT certificate)
{
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID)
        return TlsProblem::NameMismatch;
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID) {
        if (certificate != nullptr && ::CertVerifyTimeValidity(nullptr, certificate->pCertInfo) < 0)
            return TlsProblem::NotYetValid;
        return TlsProblem::Expired;
    }
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA) {
        if (certificate != nullptr && SelfIssued(certificate))
            return TlsProblem::SelfSigned;
        return TlsProblem::UnknownIssuer;
    }
    return TlsProblem::Other;
}

} // namespace

struct TlsChannel::Session
{
    ~Session() { Close(); }

    int Open(const TlsTarget& target);
    int SetRequest(const std::string& headerBlock, bool post, std::string sentBody);
    int Perform(const std::string& marker, size_t limit, const CookieSink& cookies, std::vector<char>& received);
    void Close();

    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* information,
                                        DWORD length);
    void OnSendingRequest(HINTERNET handle);
    void OnSecureFailure(HINTERNET handle, DWORD flags);
    // Sets the request's time-outs to what is left before the deadline; false once it has passed.
    bool LimitToDeadline();
    int SendFailure(DWORD error);
    int ReadCookies(const CookieSink& cookies);
    int ReadBody(const std::string& marker, size_t limit, std::vector<char>& received);
    int Fail(int error, DWORD systemError);

    TlsTarget target;
    std::chrono::steady_clock::time_point deadline;
    HINTERNET internet = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    std::string body;
    HCERTSTORE caStore = nullptr;
    // Set by the status callback while WinHttpSendRequest runs.
    DWORD secureFailureFlags = 0;
    PCCERT_CONTEXT failedCertificate = nullptr;
    bool certificateRefused = false;
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

int TlsChannel::Session::Fail(int error, DWORD systemError)
{
    detail = Describe(systemError);
    return error;
}

int TlsChannel::Session::Open(const TlsTarget& requested)
{
    target = requested;
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(target.totalMs, 1));
    problem = TlsProblem::None;
    detail.clear();
    if (!target.tls.insecure && !target.tls.caFile.empty()) {
        caStore = LoadPemCertificates(target.tls.caFile);
        if (caStore == nullptr) {
            problem = TlsProblem::CaFileUnusable;
            detail = "cannot read a PEM certificate from " + target.tls.caFile;
            return kErrTlsCaFile;
        }
    }
    // No proxy, whatever the system's settings say: the request goes to the host asked for. The user
    // agent is one of the client's own header lines.
    internet = ::WinHttpOpen(L"", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (internet == nullptr)
        return Fail(kErrTlsSessionOpen, ::GetLastError());
    // Name resolution has no limit of its own, as the client's look-up has none.
    const int connectMs = WaitLimit{target.connectMs, deadline}.Budget();
    const int sendMs = WaitLimit{target.sendMs, deadline}.Budget();
    const int receiveMs = WaitLimit{target.receiveMs, deadline}.Budget();
    if (!::WinHttpSetTimeouts(internet, 0, connectMs, sendMs, receiveMs))
        return Fail(kErrTlsTimeouts, ::GetLastError());
    connection = ::WinHttpConnect(internet, Widen(target.host).c_str(), target.port, 0);
    if (connection == nullptr)
        return Fail(kErrTlsConnect, ::GetLastError());
    return kHttpOk;
}

int TlsChannel::Session::SetRequest(const std::string& headerBlock, bool post, std::string sentBody)
{
    // The path goes out as the URL has it: neither escaped nor folded.
    request =
        ::WinHttpOpenRequest(connection, post ? L"POST" : L"GET", Widen(target.path).c_str(), nullptr,
                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                             WINHTTP_FLAG_SECURE | WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY);
    if (request == nullptr)
        return Fail(kErrTlsOpenRequest, ::GetLastError());
    // Redirects are not followed (a 3xx is a status other than 200) and WinHTTP keeps no cookies of
    // its own: the client's jar is the only one.
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
    if (!::WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled))
        return Fail(kErrTlsOpenRequest, ::GetLastError());

    DWORD flags = 0;
    DWORD size = sizeof flags;
    if (!::WinHttpQueryOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, &size))
        return Fail(kErrTlsReadSecurityFlags, ::GetLastError());
    if (target.tls.insecure)
        flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
                 SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
    else if (caStore != nullptr)
        flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    if (!::WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags))
        return Fail(kErrTlsWriteSecurityFlags, ::GetLastError());
    if (!target.tls.insecure &&
        ::WinHttpSetStatusCallback(request, &Session::StatusCallback,
                                   WINHTTP_CALLBACK_FLAG_SEND_REQUEST | WINHTTP_CALLBACK_FLAG_SECURE_FAILURE,
                                   0) == WINHTTP_INVALID_STATUS_CALLBACK)
        return Fail(kErrTlsOpenRequest, ::GetLastError());

    // The client's header block replaces what WinHTTP would send itself (its Host line carries the
    // port).
    const std::wstring headers = Widen(headerBlock);
    if (!headers.empty() && !::WinHttpAddRequestHeaders(request, headers.c_str(), static_cast<DWORD>(-1),
                                                        WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
        return Fail(kErrTlsAddHeaders, ::GetLastError());
    body = post ? std::move(sentBody) : std::string();
    return kHttpOk;
}

void CALLBACK TlsChannel::Session::StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* information,
                                                  DWORD length)
{
    auto* self = reinterpret_cast<Session*>(context);
    if (self == nullptr)
        return;
    if (status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST)
        self->OnSendingRequest(handle);
    else if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && information != nullptr && length >= sizeof(DWORD))
        self->OnSecureFailure(handle, *static_cast<DWORD*>(information));
}

void TlsChannel::Session::OnSendingRequest(HINTERNET handle)
{
    if (caStore == nullptr || certificateRefused)
        return;
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    TlsProblem found = TlsProblem::Other;
    if (::WinHttpQueryOption(handle, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) &&
        certificate != nullptr) {
        found = CheckIssuer(certificate, caStore);
        ::CertFreeCertificateContext(certificate);
    }
    if (found == TlsProblem::None)
        return;
    // Closing the request handle here is WinHTTP's way to stop a request before it is sent.
    problem = found;
    certificateRefused = true;
    detail = "the server's certificate does not chain to a trusted authority or one of the CA file";
    ::WinHttpCloseHandle(request);
    request = nullptr;
}

void TlsChannel::Session::OnSecureFailure(HINTERNET handle, DWORD flags)
{
    secureFailureFlags |= flags;
    if (failedCertificate != nullptr)
        return;
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (::WinHttpQueryOption(handle, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size))
        failedCertificate = certificate;
}

bool TlsChannel::Session::LimitToDeadline()
{
    const int connectMs = WaitLimit{target.connectMs, deadline}.Budget();
    const int sendMs = WaitLimit{target.sendMs, deadline}.Budget();
    const int receiveMs = WaitLimit{target.receiveMs, deadline}.Budget();
    if (connectMs == 0 || sendMs == 0 || receiveMs == 0)
        return false;
    return ::WinHttpSetTimeouts(request, 0, connectMs, sendMs, receiveMs) != FALSE;
}

int TlsChannel::Session::SendFailure(DWORD error)
{
    if (certificateRefused)
        return kErrTlsCertificate;
    // A secure-failure notice means the certificate was refused, whatever error the send reports
    // (wine reports a secure channel error).
    if (secureFailureFlags != 0 || error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_INVALID_CA ||
        error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID || error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID ||
        error == ERROR_WINHTTP_SECURE_INVALID_CERT) {
        DWORD flags = secureFailureFlags;
        if (flags == 0 && error == ERROR_WINHTTP_SECURE_INVALID_CA)
            flags = WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA;
        if (flags == 0 && error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID)
            flags = WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID;
        if (flags == 0 && error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID)
            flags = WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID;
        problem = ClassifyFailure(flags, failedCertificate);
        return Fail(kErrTlsCertificate, error);
    }
    // As on the socket channel, a host that does not answer (or never completes the handshake) is
    // looked up again next time.
    if (error == ERROR_WINHTTP_CANNOT_CONNECT || error == ERROR_WINHTTP_TIMEOUT ||
        error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR || error == ERROR_WINHTTP_CONNECTION_ERROR)
        ClearHostCache();
    return Fail(kErrTlsSendRequest, error);
}

int TlsChannel::Session::Perform(const std::string& marker, size_t limit, const CookieSink& cookies,
                                 std::vector<char>& received)
{
    received.clear();
    problem = TlsProblem::None;
    detail.clear();
    secureFailureFlags = 0;
    certificateRefused = false;
    if (!LimitToDeadline())
        return kErrDeadline;
    const BOOL sent = ::WinHttpSendRequest(
        request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, body.empty() ? WINHTTP_NO_REQUEST_DATA : body.data(),
        static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), reinterpret_cast<DWORD_PTR>(this));
    if (!sent || certificateRefused)
        return SendFailure(::GetLastError());

    if (!LimitToDeadline())
        return kErrDeadline;
    if (!::WinHttpReceiveResponse(request, nullptr)) {
        const DWORD error = ::GetLastError();
        return Fail(error == ERROR_WINHTTP_TIMEOUT ? kErrDeadline : kErrTlsReceiveResponse, error);
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Fail(kErrTlsQueryStatus, ::GetLastError());
    if (status != 200) {
        detail = "HTTP status " + std::to_string(status);
        return kErrTlsStatusNot200;
    }
    int error = ReadCookies(cookies);
    if (error != kHttpOk)
        return error;
    return ReadBody(marker, limit, received);
}

int TlsChannel::Session::ReadCookies(const CookieSink& cookies)
{
    for (DWORD index = 0;;) {
        DWORD size = 0;
        DWORD probe = index;
        if (::WinHttpQueryHeaders(request, WINHTTP_QUERY_SET_COOKIE, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                                  &probe))
            size = 0; // an empty value
        else if (::GetLastError() == ERROR_WINHTTP_HEADER_NOT_FOUND)
            return kHttpOk;
        else if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return Fail(kErrTlsCookieSize, ::GetLastError());
        std::wstring value;
        try {
            value.resize(size / sizeof(wchar_t) + 1);
        } catch (const std::bad_alloc&) {
            return kErrTlsCookieBuffer;
        }
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_SET_COOKIE, WINHTTP_HEADER_NAME_BY_INDEX, value.data(),
                                   &bytes, &index))
            return Fail(kErrTlsCookieValue, ::GetLastError());
        value.resize(bytes / sizeof(wchar_t));
        std::string text;
        if (!Narrow(value, text))
            return kErrTlsCookieValue;
        if (text.empty())
            continue;
        int error = cookies(text);
        if (error != kHttpOk)
            return error;
    }
}

int TlsChannel::Session::ReadBody(const std::string& marker, size_t limit, std::vector<char>& received)
{
    DWORD announced = 0;
    DWORD size = sizeof announced;
    const bool hasLength =
        ::WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                              WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
    // An announced body that cannot fit under the cap fails now instead of after the cap.
    if (marker.empty() && hasLength && announced > limit)
        return kErrReplyTooLarge;

    ReplyTextScan scan(marker);
    for (;;) {
        if (!LimitToDeadline())
            return kErrDeadline;
        DWORD available = 0;
        if (!::WinHttpQueryDataAvailable(request, &available)) {
            const DWORD error = ::GetLastError();
            return Fail(error == ERROR_WINHTTP_TIMEOUT ? kErrDeadline : kErrTlsQueryDataAvailable, error);
        }
        if (available == 0)
            break;
        if (available > limit - received.size())
            return kErrReplyTooLarge;
        const size_t from = received.size();
        try {
            received.resize(from + available);
        } catch (const std::bad_alloc&) {
            return kErrTlsBufferAllocation;
        }
        DWORD read = 0;
        if (!::WinHttpReadData(request, received.data() + from, available, &read)) {
            const DWORD error = ::GetLastError();
            return Fail(error == ERROR_WINHTTP_TIMEOUT ? kErrDeadline : kErrTlsReadData, error);
        }
        if (read < available)
            return kErrTlsShortRead;
        if (scan.Arrived(received, from))
            return kHttpOk;
    }
    if (hasLength && received.size() < announced)
        return kErrTlsShortRead;
    return kHttpOk;
}

void TlsChannel::Session::Close()
{
    if (request != nullptr)
        ::WinHttpCloseHandle(request);
    request = nullptr;
    if (connection != nullptr)
        ::WinHttpCloseHandle(connection);
    connection = nullptr;
    if (internet != nullptr)
        ::WinHttpCloseHandle(internet);
    internet = nullptr;
    if (failedCertificate != nullptr)
        ::CertFreeCertificateContext(failedCertificate);
    failedCertificate = nullptr;
    if (caStore != nullptr)
        ::CertCloseStore(caStore, 0);
    caStore = nullptr;
}

} // namespace kh
