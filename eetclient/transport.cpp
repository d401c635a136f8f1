#include "eetclient/transport.h"

#include "eetclient/certificate.h"
#include "eetclient/error.h"

#include <curl/curl.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>

namespace eet
{

namespace
{

constexpr std::size_t kMaxAnswer = 1024 * 1024;

struct UrlParts {
    std::string scheme, host;
};

UrlParts splitUrl(const std::string& url)
{
    UrlParts parts;
    CURLU* h = curl_url();
    if (!h)
        return parts;
    if (curl_url_set(h, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char* v = nullptr;
        if (curl_url_get(h, CURLUPART_SCHEME, &v, 0) == CURLUE_OK) {
            parts.scheme = v;
            curl_free(v);
        }
        if (curl_url_get(h, CURLUPART_HOST, &v, 0) == CURLUE_OK) {
            parts.host = v;
            curl_free(v);
        }
    }
    curl_url_cleanup(h);
    return parts;
}

bool isLoopback(const std::string& host)
{
    return host == "localhost" || host == "[::1]" || host.rfind("127.", 0) == 0;
}

size_t collect(char* data, size_t size, size_t count, void* user)
{
    auto* out = static_cast<std::string*>(user);
    if (out->size() + size * count > kMaxAnswer)
        return 0;
    out->append(data, size * count);
    return size * count;
}

// Adds the certificates of an extra PEM file to the trust store curl has already loaded.
CURLcode addExtraCa(CURL*, void* sslctx, void* user)
{
    const auto* file = static_cast<const std::string*>(user);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslctx));
    int added = 0;
    for (X509* cert : readCertificates(*file)) {
        if (X509_STORE_add_cert(store, cert) == 1)
            ++added;
        X509_free(cert);
    }
    opensslErrors();
    return added > 0 ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

} // namespace

void checkServiceUrl(const std::string& url)
{
    if (url.empty())
        throw Chyba("Není zadána adresa serveru EET (URL)");
    UrlParts parts = splitUrl(url);
    if (parts.scheme.empty() || parts.host.empty())
        throw Chyba("Neplatná adresa serveru EET: " + url);
    if (parts.scheme == "https")
        return;
    if (parts.scheme == "http") {
        if (isLoopback(parts.host))
            return;
        throw Chyba("Nezabezpečené spojení http:// je povoleno jen na místní adresu (127.0.0.1); použijte "
                    "https://: " +
                    url);
    }
    throw Chyba("Nepodporovaný protokol v adrese serveru EET: " + url);
}

HttpResult postSoap(const std::string& url, const std::string& body, int timeoutMs, const std::string& caFile)
{
    checkServiceUrl(url);
    initialiseLibraries();
    HttpResult result;
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        result.error = "Nelze inicializovat knihovnu libcurl";
        return result;
    }
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: text/xml; charset=utf-8");
    headers = curl_slist_append(headers, "SOAPAction: \"http://fs.mfcr.cz/eet/OdeslaniTrzby\"");
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> headerGuard(headers, curl_slist_free_all);

    char errbuf[CURL_ERROR_SIZE] = {0};
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Vornix-eetclient/1");
    if (isLoopback(splitUrl(url).host))
        curl_easy_setopt(h, CURLOPT_PROXY, ""); // never send loopback traffic through a proxy
    if (!caFile.empty()) {
        curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, addExtraCa);
        curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &caFile);
    }

    CURLcode rc = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    std::string detail = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    switch (rc) {
    case CURLE_OK:
        break;
    case CURLE_OPERATION_TIMEDOUT:
        result.error =
            "Vypršel časový limit " + std::to_string(timeoutMs) + " ms pro spojení se serverem EET";
        return result;
    case CURLE_COULDNT_CONNECT:
        result.error = "Server EET odmítl spojení nebo je nedostupný (" + detail + ")";
        return result;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        result.error = "Adresu serveru EET nelze přeložit (" + detail + ")";
        return result;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
        result.error = "Chyba zabezpečeného spojení (TLS) se serverem EET: " + detail;
        return result;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        result.error = "Spojení se serverem EET bylo přerušeno (" + detail + ")";
        return result;
    case CURLE_WRITE_ERROR:
        result.error = "Odpověď serveru EET je příliš velká";
        return result;
    default:
        result.error = "Chyba spojení se serverem EET: " + detail;
        return result;
    }
    if (result.status != 200) {
        result.error = "Server EET odpověděl chybou HTTP " + std::to_string(result.status);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace eet
