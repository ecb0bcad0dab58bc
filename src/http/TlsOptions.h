#pragma once
// Certificate checking of https requests: what a caller asks for (TlsOptions, set on an HttpClient
// before Send) and what the check found when it failed (TlsProblem, with the text a tip shows).

#include <string>

namespace kh {

struct TlsOptions
{
    // A PEM bundle of further certificate authorities, trusted besides the system's store (a
    // private server's own CA). Empty: the system's store alone.
    std::string caFile;
    // No certificate checking at all: any issuer, name and date is accepted. The connection is then
    // not verified, and the caller tells the user so for every request made this way.
    bool insecure = false;
};

// Why a certificate check failed (kErrTlsCertificate) or could not be set up (kErrTlsCaFile).
enum class TlsProblem
{
    None,
    UnknownIssuer,  // issued by an authority neither the system nor the CA file trusts
    SelfSigned,     // the server signed its own certificate
    Expired,        // past its end date
    NotYetValid,    // before its start date
    NameMismatch,   // issued for another host name
    CaFileUnusable, // the CA file cannot be read or holds no certificate
    Other,
};

// The tip text for a problem, in the ANSI code page; empty for None.
const char* TlsProblemText(TlsProblem problem);

// The tip text for a request made with TlsOptions::insecure.
inline constexpr const char* kTlsUnverifiedText = "连接未经验证：已关闭证书检查，无法确认服务器的身份。";
// The standing mark of the same in the status bar.
inline constexpr const char16_t* kTlsUnverifiedMark = u"连接未经验证";

} // namespace kh
