#include "http/TlsOptions.h"

namespace kh {

const char* TlsProblemText(TlsProblem problem)
{
    switch (problem) {
    case TlsProblem::None:
        return "";
    case TlsProblem::UnknownIssuer:
        return "服务器证书验证失败：证书的签发机构不受信任。";
    case TlsProblem::SelfSigned:
        return "服务器证书验证失败：证书是自签名的，不受信任。";
    case TlsProblem::Expired:
        return "服务器证书验证失败：证书已过期。";
    case TlsProblem::NotYetValid:
        return "服务器证书验证失败：证书尚未生效。";
    case TlsProblem::NameMismatch:
        return "服务器证书验证失败：证书与服务器的主机名不符。";
    case TlsProblem::CaFileUnusable:
        return "无法使用证书颁发机构文件：文件无法读取或不含证书。";
    case TlsProblem::Other:
        break;
    }
    return "服务器证书验证失败。";
}

} // namespace kh
