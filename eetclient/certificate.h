#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

typedef struct evp_pkey_st EVP_PKEY;
typedef struct x509_st X509;

namespace eet
{

// What the settings dialog shows about a taxpayer certificate.
struct CertificateInfo {
    std::string dic;       // DIČ taken from the subject (CN "CZ..."), empty when none
    std::string subject;   // RFC 2253 form, UTF-8
    std::string issuer;    // RFC 2253 form, UTF-8
    std::string notBefore; // "yyyy-mm-ddThh:mm:ssZ"
    std::string notAfter;  // "yyyy-mm-ddThh:mm:ssZ"
    bool expired = false;  // not-after lies in the past now
};

// A certificate with its private key, loaded once and shared (loading a PKCS#12 file costs
// thousands of key-derivation rounds, so the same file is not decrypted for every receipt).
class Certificate
{
  public:
    // Loads a PKCS#12 file; throws eet::Chyba with a Czech text on a missing file, a wrong
    // password or a file without a private key. Legacy RC2/3DES encrypted files are accepted.
    static std::shared_ptr<const Certificate> load(const std::string& path, const std::string& password);
    // Takes ownership of both (used by the test service for its generated certificate).
    static std::shared_ptr<const Certificate> adopt(EVP_PKEY* key, X509* cert);
    // A fresh RSA-2048 key with a self-signed certificate; ipSan adds a subjectAltName IP entry.
    static std::shared_ptr<const Certificate> generateSelfSigned(const std::string& commonName, int days,
                                                                 const std::string& ipSan = {});

    ~Certificate();
    Certificate(const Certificate&) = delete;
    Certificate& operator=(const Certificate&) = delete;

    EVP_PKEY* key() const { return m_key; }
    X509* cert() const { return m_cert; }
    const std::string& derBase64() const { return m_derBase64; }
    CertificateInfo info() const;
    std::string pem() const;
    std::string keyPem() const;

    // RSA-SHA256 PKCS#1 v1.5 signature of data.
    std::vector<unsigned char> signSha256(std::string_view data) const;

  private:
    Certificate(EVP_PKEY* key, X509* cert);
    EVP_PKEY* m_key;
    X509* m_cert;
    std::string m_derBase64;
};

CertificateInfo certificateInfo(X509* cert);
CertificateInfo inspectCertificate(const std::string& path, const std::string& password);

// Certificates of a PEM file (any number) or a DER file (one); the caller frees them.
std::vector<X509*> readCertificates(const std::string& path);

// Loads OpenSSL's default and legacy providers, libxml2/xmlsec and libcurl once per process.
void initialiseLibraries();

std::string base64Encode(const unsigned char* data, std::size_t size);
std::vector<unsigned char> base64Decode(std::string_view text);   // ignores whitespace; empty on error
std::string sha1Hex(const unsigned char* data, std::size_t size); // upper case, no separators
std::string sha256Base64(std::string_view data);
// Random version 4 UUID in lower case.
std::string randomUuid();
std::string randomHex(std::size_t bytes);
// Checks an RSA-SHA256 PKCS#1 v1.5 signature with the certificate's public key.
bool verifySha256(X509* cert, std::string_view data, const std::vector<unsigned char>& signature);
// The last OpenSSL error queue as text (and clears it).
std::string opensslErrors();

} // namespace eet
