#include "eetclient/certificate.h"

#include "eetclient/error.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <curl/curl.h>
#include <libxml/parser.h>
#include <xmlsec/crypto.h>
#include <xmlsec/xmlsec.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

namespace eet
{

namespace
{

template <typename T, void (*F)(T*)> struct Deleter {
    void operator()(T* p) const { F(p); }
};
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using P12Ptr = std::unique_ptr<PKCS12, Deleter<PKCS12, PKCS12_free>>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;

std::string bioText(BIO* bio)
{
    char* data = nullptr;
    long len = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(len));
}

std::string nameText(const X509_NAME* name)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    return bioText(bio.get());
}

std::string timeText(const ASN1_TIME* t)
{
    struct tm tm {
    };
    if (!ASN1_TIME_to_tm(t, &tm))
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

bool looksLikeDic(const std::string& s)
{
    if (s.size() < 10 || s.size() > 12 || s.compare(0, 2, "CZ") != 0)
        return false;
    for (std::size_t i = 2; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

std::string entryText(const X509_NAME_ENTRY* entry)
{
    unsigned char* utf8 = nullptr;
    int len = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(entry));
    if (len < 0)
        return {};
    std::string s(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(len));
    OPENSSL_free(utf8);
    return s;
}

// EET certificates carry the DIČ as the common name; other subject entries are a fallback.
std::string dicFromSubject(const X509_NAME* name)
{
    int idx = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    while (idx >= 0) {
        std::string v = entryText(X509_NAME_get_entry(name, idx));
        if (looksLikeDic(v))
            return v;
        idx = X509_NAME_get_index_by_NID(name, NID_commonName, idx);
    }
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        std::string v = entryText(X509_NAME_get_entry(name, i));
        if (looksLikeDic(v))
            return v;
    }
    return {};
}

struct CacheKey {
    std::string path;
    std::string password;
    long long mtime;
    long long size;
    bool operator<(const CacheKey& o) const
    {
        return std::tie(path, password, mtime, size) < std::tie(o.path, o.password, o.mtime, o.size);
    }
};

std::mutex g_cacheMutex;
std::map<CacheKey, std::shared_ptr<const Certificate>> g_cache;

} // namespace

std::string opensslErrors()
{
    std::string out;
    unsigned long e;
    while ((e = ERR_get_error()) != 0) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!out.empty())
            out += "; ";
        out += buf;
    }
    return out;
}

void initialiseLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        if (xmlSecInit() < 0 || xmlSecCheckVersion() != 1 || xmlSecCryptoAppInit(nullptr) < 0 ||
            xmlSecCryptoInit() < 0)
            throw Chyba("Nelze inicializovat knihovnu xmlsec pro podpis XML");

        // Traders' PKCS#12 files often use RC2-40, which OpenSSL 3 keeps in the legacy provider.
        // Loading any provider explicitly disables the implicit default one, so load both.
        // (After xmlsec's OpenSSL set-up: the other order leaves provider data unreleased at exit.)
        static OSSL_PROVIDER* defaultProvider = OSSL_PROVIDER_load(nullptr, "default");
        static OSSL_PROVIDER* legacyProvider = OSSL_PROVIDER_load(nullptr, "legacy");
        ERR_clear_error();
        // Release them before OpenSSL's own clean-up at exit, which runs after this handler.
        std::atexit([] {
            if (legacyProvider)
                OSSL_PROVIDER_unload(legacyProvider);
            if (defaultProvider)
                OSSL_PROVIDER_unload(defaultProvider);
        });
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

Certificate::Certificate(EVP_PKEY* key, X509* cert) : m_key(key), m_cert(cert)
{
    unsigned char* der = nullptr;
    int len = i2d_X509(cert, &der);
    if (len > 0) {
        m_derBase64 = base64Encode(der, static_cast<std::size_t>(len));
        OPENSSL_free(der);
    }
}

Certificate::~Certificate()
{
    EVP_PKEY_free(m_key);
    X509_free(m_cert);
}

std::shared_ptr<const Certificate> Certificate::adopt(EVP_PKEY* key, X509* cert)
{
    return std::shared_ptr<const Certificate>(new Certificate(key, cert));
}

std::shared_ptr<const Certificate> Certificate::load(const std::string& path, const std::string& password)
{
    initialiseLibraries();
    if (path.empty())
        throw Chyba("Není zadán soubor certifikátu");
    struct stat st {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Chyba("Soubor certifikátu nenalezen: " + path);
    CacheKey ck{path, password, static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
                static_cast<long long>(st.st_size)};
    {
        std::lock_guard lock(g_cacheMutex);
        auto it = g_cache.find(ck);
        if (it != g_cache.end())
            return it->second;
    }

    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Chyba("Soubor certifikátu nelze otevřít: " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ERR_clear_error();
    BioPtr bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
    P12Ptr p12(d2i_PKCS12_bio(bio.get(), nullptr));
    if (!p12)
        throw Chyba("Soubor certifikátu není platný soubor PKCS#12 (.p12/.pfx): " + path);

    // An empty password may mean "no password" or the empty string; PKCS#12 tells them apart.
    const char* pw = password.c_str();
    if (!PKCS12_verify_mac(p12.get(), pw, static_cast<int>(password.size()))) {
        if (password.empty() && PKCS12_verify_mac(p12.get(), nullptr, 0))
            pw = nullptr;
        else {
            ERR_clear_error();
            throw Chyba("Chybné heslo k certifikátu: " + path);
        }
    }
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* ca = nullptr;
    if (!PKCS12_parse(p12.get(), pw, &key, &cert, &ca)) {
        std::string detail = opensslErrors();
        throw Chyba("Certifikát nelze načíst (" + detail + "): " + path);
    }
    sk_X509_pop_free(ca, X509_free);
    if (!key) {
        X509_free(cert);
        throw Chyba("Soubor certifikátu neobsahuje soukromý klíč: " + path);
    }
    if (!cert) {
        EVP_PKEY_free(key);
        throw Chyba("Soubor certifikátu neobsahuje certifikát: " + path);
    }
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        EVP_PKEY_free(key);
        X509_free(cert);
        throw Chyba("Klíč certifikátu není typu RSA: " + path);
    }
    auto result = adopt(key, cert);
    std::lock_guard lock(g_cacheMutex);
    g_cache[ck] = result;
    return result;
}

std::shared_ptr<const Certificate> Certificate::generateSelfSigned(const std::string& commonName, int days,
                                                                   const std::string& ipSan)
{
    initialiseLibraries();
    EVP_PKEY* key = EVP_RSA_gen(2048);
    if (!key)
        throw Chyba("Nelze vytvořit klíč RSA: " + opensslErrors());
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(days) * 86400L);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    auto addExt = [&](int nid, const std::string& value) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
        if (ext) {
            X509_add_ext(cert, ext, -1);
            X509_EXTENSION_free(ext);
        }
    };
    addExt(NID_basic_constraints, "critical,CA:TRUE");
    addExt(NID_subject_key_identifier, "hash");
    if (!ipSan.empty())
        addExt(NID_subject_alt_name, "IP:" + ipSan + ",DNS:localhost");
    if (!X509_sign(cert, key, EVP_sha256())) {
        X509_free(cert);
        EVP_PKEY_free(key);
        throw Chyba("Nelze podepsat certifikát: " + opensslErrors());
    }
    return adopt(key, cert);
}

CertificateInfo certificateInfo(X509* cert)
{
    CertificateInfo info;
    info.subject = nameText(X509_get_subject_name(cert));
    info.issuer = nameText(X509_get_issuer_name(cert));
    info.dic = dicFromSubject(X509_get_subject_name(cert));
    info.notBefore = timeText(X509_get0_notBefore(cert));
    info.notAfter = timeText(X509_get0_notAfter(cert));
    info.expired = X509_cmp_current_time(X509_get0_notAfter(cert)) < 0;
    return info;
}

std::vector<X509*> readCertificates(const std::string& path)
{
    std::vector<X509*> out;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        return out;
    BioPtr bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
    while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr))
        out.push_back(cert);
    if (out.empty()) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
        if (X509* cert = d2i_X509(nullptr, &p, static_cast<long>(bytes.size())))
            out.push_back(cert);
    }
    ERR_clear_error();
    return out;
}

CertificateInfo Certificate::info() const
{
    return certificateInfo(m_cert);
}

CertificateInfo inspectCertificate(const std::string& path, const std::string& password)
{
    return Certificate::load(path, password)->info();
}

std::string Certificate::pem() const
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), m_cert);
    return bioText(bio.get());
}

std::string Certificate::keyPem() const
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), m_key, nullptr, nullptr, 0, nullptr, nullptr);
    return bioText(bio.get());
}

std::vector<unsigned char> Certificate::signSha256(std::string_view data) const
{
    MdCtxPtr ctx(EVP_MD_CTX_new());
    std::size_t len = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, m_key) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char*>(data.data()),
                       data.size()) != 1)
        throw Chyba("Podpis se nezdařil: " + opensslErrors());
    std::vector<unsigned char> sig(len);
    if (EVP_DigestSign(ctx.get(), sig.data(), &len, reinterpret_cast<const unsigned char*>(data.data()),
                       data.size()) != 1)
        throw Chyba("Podpis se nezdařil: " + opensslErrors());
    sig.resize(len);
    return sig;
}

bool verifySha256(X509* cert, std::string_view data, const std::vector<unsigned char>& signature)
{
    EVP_PKEY* pub = X509_get0_pubkey(cert);
    MdCtxPtr ctx(EVP_MD_CTX_new());
    bool ok = pub && ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, pub) == 1 &&
              EVP_DigestVerify(ctx.get(), signature.data(), signature.size(),
                               reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
    ERR_clear_error();
    return ok;
}

std::string base64Encode(const unsigned char* data, std::size_t size)
{
    std::string out(4 * ((size + 2) / 3), '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(size));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::vector<unsigned char> base64Decode(std::string_view text)
{
    std::string clean;
    clean.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            clean += c;
    if (clean.empty() || clean.size() % 4 != 0)
        return {};
    std::vector<unsigned char> out(clean.size() / 4 * 3);
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                            static_cast<int>(clean.size()));
    if (n < 0)
        return {};
    std::size_t pad = 0;
    if (clean.back() == '=')
        ++pad;
    if (clean.size() > 1 && clean[clean.size() - 2] == '=')
        ++pad;
    out.resize(static_cast<std::size_t>(n) - pad);
    return out;
}

std::string sha1Hex(const unsigned char* data, std::size_t size)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdLen = 0;
    EVP_Digest(data, size, md, &mdLen, EVP_sha1(), nullptr);
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < mdLen; ++i) {
        out += hex[md[i] >> 4];
        out += hex[md[i] & 15];
    }
    return out;
}

std::string sha256Base64(std::string_view data)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdLen = 0;
    EVP_Digest(data.data(), data.size(), md, &mdLen, EVP_sha256(), nullptr);
    return base64Encode(md, mdLen);
}

std::string randomHex(std::size_t bytes)
{
    std::vector<unsigned char> b(bytes);
    if (RAND_bytes(b.data(), static_cast<int>(bytes)) != 1)
        throw Chyba("Generátor náhodných čísel selhal");
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : b) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

std::string randomUuid()
{
    unsigned char b[16];
    if (RAND_bytes(b, sizeof b) != 1)
        throw Chyba("Generátor náhodných čísel selhal");
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += hex[b[i] >> 4];
        out += hex[b[i] & 15];
    }
    return out;
}

} // namespace eet
