#pragma once

// SOAP 1.1 envelopes with a WS-Security X.509 signature of soap:Body: the request of the
// client and the answer of the test service are built and checked here.

#include "eetclient/certificate.h"

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace eet::ns
{
inline constexpr const char* kSoap = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* kWsse =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
inline constexpr const char* kWsu =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
inline constexpr const char* kDs = "http://www.w3.org/2000/09/xmldsig#";
inline constexpr const char* kEet = "http://fs.mfcr.cz/eet/schema/v3";
inline constexpr const char* kExcC14n = "http://www.w3.org/2001/10/xml-exc-c14n#";
inline constexpr const char* kRsaSha256 = "http://www.w3.org/2001/04/xmldsig-more#rsa-sha256";
inline constexpr const char* kSha256 = "http://www.w3.org/2001/04/xmlenc#sha256";
inline constexpr const char* kX509v3 =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-x509-token-profile-1.0#X509v3";
inline constexpr const char* kBase64Binary =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary";
} // namespace eet::ns

namespace eet
{

struct XmlDocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;

struct X509Deleter {
    void operator()(X509* cert) const;
};
using X509Ptr = std::unique_ptr<X509, X509Deleter>;

// Parses without network access and refuses documents with a DOCTYPE; nullptr when the text
// is not well-formed XML.
XmlDocPtr parseXml(std::string_view text);

// Wraps bodyContent (the XML inside soap:Body, with its own namespace declarations) into an
// envelope whose header carries the certificate and the signature of the body.
std::string signEnvelope(std::string_view bodyContent, const Certificate& cert);

enum class SignatureState { Missing, Valid, Invalid };

struct SignatureCheck {
    SignatureState state = SignatureState::Missing;
    std::string error; // Czech reason when not valid
    X509Ptr signer;    // the certificate the message carries (when it could be read)
};

// Checks the WS-Security signature of an envelope: exactly one reference, to soap:Body, with
// exclusive c14n and SHA-256, RSA-SHA256, verified with the certificate of the token the
// KeyInfo points at.
SignatureCheck verifyEnvelope(xmlDoc* doc);

// soap:Envelope/soap:Body, or nullptr.
xmlNode* soapBody(xmlDoc* doc);
// First element child with that local name and namespace (nullptr namespace: any).
xmlNode* childElement(xmlNode* parent, const char* name, const char* nsHref);
// Attribute value ("" when absent); nsHref nullptr for an attribute without namespace.
std::string attribute(xmlNode* node, const char* name, const char* nsHref = nullptr);
bool hasAttribute(xmlNode* node, const char* name);
std::string textContent(xmlNode* node);

} // namespace eet
