#pragma once

#include <string>

namespace eet
{

struct HttpResult {
    bool ok = false; // a 200 answer arrived; body holds it
    long status = 0; // HTTP status when one arrived
    std::string body;
    std::string error; // Czech text naming the transport failure when !ok
};

// Accepts https:// everywhere and http:// only for loopback addresses; throws eet::Chyba otherwise.
void checkServiceUrl(const std::string& url);

// POSTs a SOAP request with the EET SOAPAction. timeoutMs bounds the whole exchange.
// The server certificate and host name are verified against the system trust store and, when
// caFile is not empty, the certificates in that PEM file as well.
HttpResult postSoap(const std::string& url, const std::string& body, int timeoutMs,
                    const std::string& caFile);

} // namespace eet
