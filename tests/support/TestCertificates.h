#pragma once
// Keys and X.509 certificates made at test time with OpenSSL, so that TLS tests need no files in
// the repository: a test CA, server certificates it signs, self-signed ones, with the names and
// validity dates a case needs. Used by the https tests of HttpClient and kh-http.

#include <chrono>
#include <string>
#include <vector>

namespace kh::test {

// A certificate and its private key, both as PEM text.
struct TestCertificate
{
    std::string certificatePem;
    std::string keyPem;
};

struct CertificateRequest
{
    std::string commonName = "localhost";
    std::vector<std::string> dnsNames = {"localhost"}; // subjectAltName DNS entries
    // Validity relative to now.
    std::chrono::seconds notBefore = -std::chrono::hours(1);
    std::chrono::seconds notAfter = std::chrono::hours(24);
    bool isCa = false;
};

// A fresh P-256 key and a certificate for request, signed by issuer, or by its own key when issuer is
// null. Throws std::runtime_error when OpenSSL fails.
TestCertificate MakeCertificate(const CertificateRequest& request, const TestCertificate* issuer = nullptr);

// A file holding text that is removed again when the object goes.
class TempFile
{
public:
    explicit TempFile(const std::string& text);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path; }

private:
    std::string path;
};

} // namespace kh::test
