#include "support/TestCertificates.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <unistd.h>

namespace kh::test {
namespace {

struct Free
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(X509* certificate) const { X509_free(certificate); }
    void operator()(BIO* bio) const { BIO_free(bio); }
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Free>;
using CertificatePtr = std::unique_ptr<X509, Free>;
using BioPtr = std::unique_ptr<BIO, Free>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Free>;

void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("TestCertificates: ") + what);
}

std::string BioText(BIO* bio)
{
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(length));
}

BioPtr MemoryBio(const std::string& text)
{
    BioPtr bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    Check(bio != nullptr, "BIO_new_mem_buf");
    return bio;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    Check(extension != nullptr, "X509V3_EXT_conf_nid");
    Check(X509_add_ext(certificate, extension.get(), -1) == 1, "X509_add_ext");
}

} // namespace

TestCertificate MakeCertificate(const CertificateRequest& request, const TestCertificate* issuer)
{
    KeyPtr key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "EVP_EC_gen");

    CertificatePtr certificate(X509_new());
    Check(certificate != nullptr, "X509_new");
    X509* cert = certificate.get();
    Check(X509_set_version(cert, 2) == 1, "X509_set_version");
    // Distinct serial numbers, so that no two certificates of one issuer look alike to a client.
    static std::atomic<long> serial{1};
    Check(ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++) == 1, "serial");
    Check(X509_gmtime_adj(X509_getm_notBefore(cert), static_cast<long>(request.notBefore.count())) != nullptr,
          "notBefore");
    Check(X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(request.notAfter.count())) != nullptr,
          "notAfter");
    Check(X509_set_pubkey(cert, key.get()) == 1, "X509_set_pubkey");
    X509_NAME* subject = X509_get_subject_name(cert);
    Check(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                     reinterpret_cast<const unsigned char*>(request.commonName.c_str()), -1, -1,
                                     0) == 1,
          "subject");

    KeyPtr signingKey;
    CertificatePtr issuerCertificate;
    if (issuer != nullptr) {
        BioPtr keyBio = MemoryBio(issuer->keyPem);
        signingKey.reset(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
        BioPtr certificateBio = MemoryBio(issuer->certificatePem);
        issuerCertificate.reset(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
        Check(signingKey != nullptr && issuerCertificate != nullptr, "reading the issuer");
        Check(X509_set_issuer_name(cert, X509_get_subject_name(issuerCertificate.get())) == 1, "issuer name");
    } else {
        Check(X509_set_issuer_name(cert, subject) == 1, "issuer name");
    }
    X509* issuerCert = issuerCertificate != nullptr ? issuerCertificate.get() : cert;

    AddExtension(cert, issuerCert, NID_basic_constraints, request.isCa ? "critical,CA:TRUE" : "critical,CA:FALSE");
    AddExtension(cert, issuerCert, NID_key_usage,
                 request.isCa ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature,keyEncipherment");
    AddExtension(cert, issuerCert, NID_subject_key_identifier, "hash");
    AddExtension(cert, issuerCert, NID_authority_key_identifier, "keyid:always");
    if (!request.isCa)
        AddExtension(cert, issuerCert, NID_ext_key_usage, "serverAuth");
    if (!request.dnsNames.empty()) {
        std::string names;
        for (const std::string& name : request.dnsNames)
            names += (names.empty() ? "DNS:" : ",DNS:") + name;
        AddExtension(cert, issuerCert, NID_subject_alt_name, names);
    }
    Check(X509_sign(cert, signingKey != nullptr ? signingKey.get() : key.get(), EVP_sha256()) > 0, "X509_sign");

    TestCertificate result;
    BioPtr certificateOut(BIO_new(BIO_s_mem()));
    Check(certificateOut != nullptr && PEM_write_bio_X509(certificateOut.get(), cert) == 1, "PEM_write_bio_X509");
    result.certificatePem = BioText(certificateOut.get());
    BioPtr keyOut(BIO_new(BIO_s_mem()));
    Check(keyOut != nullptr &&
              PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "PEM_write_bio_PrivateKey");
    result.keyPem = BioText(keyOut.get());
    return result;
}

TempFile::TempFile(const std::string& text)
{
    std::string name = (std::filesystem::temp_directory_path() / "kh-test-XXXXXX").string();
    int fd = ::mkstemp(name.data());
    Check(fd != -1, "mkstemp");
    path = name;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    Check(done == text.size(), "write");
}

TempFile::~TempFile()
{
    std::remove(path.c_str());
}

} // namespace kh::test
