#include "eetclient/wssecurity.h"

#include "eetclient/error.h"

#include <libxml/parser.h>
#include <libxml/valid.h>
#include <openssl/x509.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>

#include <cstring>

namespace eet
{

void X509Deleter::operator()(X509* cert) const
{
    X509_free(cert);
}

namespace
{

struct DsigCtxDeleter {
    void operator()(xmlSecDSigCtx* ctx) const { xmlSecDSigCtxDestroy(ctx); }
};
using DsigCtxPtr = std::unique_ptr<xmlSecDSigCtx, DsigCtxDeleter>;

const xmlChar* X(const char* s)
{
    return reinterpret_cast<const xmlChar*>(s);
}

bool isElement(xmlNode* n, const char* name, const char* nsHref)
{
    return n && n->type == XML_ELEMENT_NODE && xmlStrEqual(n->name, X(name)) &&
           (nsHref == nullptr || (n->ns && xmlStrEqual(n->ns->href, X(nsHref))));
}

int elementCount(xmlNode* parent, const char* name, const char* nsHref)
{
    int n = 0;
    for (xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
        if (isElement(c, name, nsHref))
            ++n;
    return n;
}

// Registers the wsu:Id of a node as an XML ID so that "#id" references resolve to it.
// Fails when another node already claims the same ID.
bool registerId(xmlDoc* doc, xmlNode* node, const std::string& id)
{
    xmlAttr* attr = xmlHasNsProp(node, X("Id"), X(ns::kWsu));
    if (!attr || id.empty())
        return false;
    xmlAttr* existing = xmlGetID(doc, X(id.c_str()));
    if (existing)
        return existing == attr;
    return xmlAddID(nullptr, doc, X(id.c_str()), attr) != nullptr;
}

xmlSecKeyPtr keyFromEvp(EVP_PKEY* pkey)
{
    // xmlsec takes the reference it is given.
    if (!pkey || EVP_PKEY_up_ref(pkey) != 1)
        return nullptr;
    xmlSecKeyDataPtr data = xmlSecOpenSSLEvpKeyAdopt(pkey);
    if (!data) {
        EVP_PKEY_free(pkey);
        return nullptr;
    }
    xmlSecKeyPtr key = xmlSecKeyCreate();
    if (!key || xmlSecKeySetValue(key, data) < 0) {
        xmlSecKeyDataDestroy(data);
        if (key)
            xmlSecKeyDestroy(key);
        return nullptr;
    }
    return key;
}

std::string dumpDoc(xmlDoc* doc)
{
    xmlChar* buf = nullptr;
    int len = 0;
    xmlDocDumpMemoryEnc(doc, &buf, &len, "UTF-8");
    std::string out(reinterpret_cast<char*>(buf), static_cast<std::size_t>(len));
    xmlFree(buf);
    return out;
}

void silenceLibraries()
{
    static bool done = [] {
        xmlSecErrorsDefaultCallbackEnableOutput(0);
        return true;
    }();
    (void)done;
}

} // namespace

XmlDocPtr parseXml(std::string_view text)
{
    initialiseLibraries();
    silenceLibraries();
    XmlDocPtr doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), "message.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (doc && doc->intSubset)
        return nullptr; // no DOCTYPE: it could declare entities or IDs of its own
    if (doc && !xmlDocGetRootElement(doc.get()))
        return nullptr;
    return doc;
}

xmlNode* childElement(xmlNode* parent, const char* name, const char* nsHref)
{
    for (xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
        if (isElement(c, name, nsHref))
            return c;
    return nullptr;
}

std::string attribute(xmlNode* node, const char* name, const char* nsHref)
{
    if (!node)
        return {};
    xmlChar* v = nsHref ? xmlGetNsProp(node, X(name), X(nsHref)) : xmlGetNoNsProp(node, X(name));
    if (!v)
        return {};
    std::string s(reinterpret_cast<char*>(v));
    xmlFree(v);
    return s;
}

bool hasAttribute(xmlNode* node, const char* name)
{
    return node && xmlHasNsProp(node, X(name), nullptr) != nullptr;
}

std::string textContent(xmlNode* node)
{
    if (!node)
        return {};
    xmlChar* v = xmlNodeGetContent(node);
    std::string s = v ? reinterpret_cast<char*>(v) : "";
    xmlFree(v);
    return s;
}

xmlNode* soapBody(xmlDoc* doc)
{
    xmlNode* root = xmlDocGetRootElement(doc);
    if (!isElement(root, "Envelope", ns::kSoap))
        return nullptr;
    return childElement(root, "Body", ns::kSoap);
}

std::string signEnvelope(std::string_view bodyContent, const Certificate& cert)
{
    initialiseLibraries();
    silenceLibraries();
    const std::string suffix = randomUuid();
    const std::string tokenId = "X509-" + suffix;
    const std::string bodyId = "Body-" + suffix;

    std::string text;
    text.reserve(bodyContent.size() + cert.derBase64().size() + 2048);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<soap:Envelope xmlns:soap=\"";
    text += ns::kSoap;
    text += "\" xmlns:wsse=\"";
    text += ns::kWsse;
    text += "\" xmlns:wsu=\"";
    text += ns::kWsu;
    text +=
        "\"><soap:Header><wsse:Security soap:mustUnderstand=\"1\"><wsse:BinarySecurityToken EncodingType=\"";
    text += ns::kBase64Binary;
    text += "\" ValueType=\"";
    text += ns::kX509v3;
    text += "\" wsu:Id=\"" + tokenId + "\">";
    text += cert.derBase64();
    text += "</wsse:BinarySecurityToken><ds:Signature xmlns:ds=\"";
    text += ns::kDs;
    text += "\" Id=\"SIG-" + suffix + "\"><ds:SignedInfo><ds:CanonicalizationMethod Algorithm=\"";
    text += ns::kExcC14n;
    text += "\"/><ds:SignatureMethod Algorithm=\"";
    text += ns::kRsaSha256;
    text += "\"/><ds:Reference URI=\"#" + bodyId + "\"><ds:Transforms><ds:Transform Algorithm=\"";
    text += ns::kExcC14n;
    text += "\"/></ds:Transforms><ds:DigestMethod Algorithm=\"";
    text += ns::kSha256;
    text += "\"/><ds:DigestValue></ds:DigestValue></ds:Reference></ds:SignedInfo><ds:SignatureValue>"
            "</ds:SignatureValue><ds:KeyInfo><wsse:SecurityTokenReference><wsse:Reference URI=\"#" +
            tokenId + "\" ValueType=\"";
    text += ns::kX509v3;
    text += "\"/></wsse:SecurityTokenReference></ds:KeyInfo></ds:Signature></wsse:Security></soap:Header>"
            "<soap:Body wsu:Id=\"" +
            bodyId + "\">";
    text += bodyContent;
    text += "</soap:Body></soap:Envelope>";

    XmlDocPtr doc = parseXml(text);
    if (!doc)
        throw Chyba("Interní chyba: sestavená zpráva není platné XML");
    xmlNode* body = soapBody(doc.get());
    xmlNode* header = childElement(xmlDocGetRootElement(doc.get()), "Header", ns::kSoap);
    xmlNode* security = childElement(header, "Security", ns::kWsse);
    xmlNode* signature = childElement(security, "Signature", ns::kDs);
    if (!body || !signature || !registerId(doc.get(), body, bodyId))
        throw Chyba("Interní chyba: šablona podpisu zprávy");

    DsigCtxPtr ctx(xmlSecDSigCtxCreate(nullptr));
    if (!ctx)
        throw Chyba("Nelze vytvořit kontext podpisu XML");
    ctx->signKey = keyFromEvp(cert.key());
    if (!ctx->signKey)
        throw Chyba("Klíč certifikátu nelze použít pro podpis XML");
    ctx->enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
    if (xmlSecDSigCtxSign(ctx.get(), signature) < 0)
        throw Chyba("Podpis zprávy (WS-Security) se nezdařil: " + opensslErrors());
    return dumpDoc(doc.get());
}

SignatureCheck verifyEnvelope(xmlDoc* doc)
{
    initialiseLibraries();
    silenceLibraries();
    SignatureCheck result;
    auto invalid = [&](const std::string& why) {
        result.state = SignatureState::Invalid;
        result.error = why;
        return std::move(result);
    };
    xmlNode* root = xmlDocGetRootElement(doc);
    xmlNode* body = soapBody(doc);
    if (!body)
        return invalid("zpráva nemá obálku SOAP s tělem");
    xmlNode* header = childElement(root, "Header", ns::kSoap);
    xmlNode* security = childElement(header, "Security", ns::kWsse);
    if (!security || elementCount(security, "Signature", ns::kDs) == 0) {
        result.state = SignatureState::Missing;
        result.error = "zpráva není podepsána";
        return result;
    }
    if (elementCount(header, "Security", ns::kWsse) != 1 || elementCount(security, "Signature", ns::kDs) != 1)
        return invalid("zpráva nese více podpisů");
    xmlNode* signature = childElement(security, "Signature", ns::kDs);
    if (elementCount(security, "BinarySecurityToken", ns::kWsse) != 1)
        return invalid("zpráva nenese právě jeden certifikát (BinarySecurityToken)");
    xmlNode* token = childElement(security, "BinarySecurityToken", ns::kWsse);
    if (attribute(token, "ValueType") != ns::kX509v3)
        return invalid("BinarySecurityToken není certifikát X.509 v3");
    std::string encoding = attribute(token, "EncodingType");
    if (!encoding.empty() && encoding != ns::kBase64Binary)
        return invalid("BinarySecurityToken není v kódování Base64");

    std::string bodyId = attribute(body, "Id", ns::kWsu);
    if (bodyId.empty())
        return invalid("tělo zprávy nemá wsu:Id");
    if (!registerId(doc, body, bodyId))
        return invalid("identifikátor těla zprávy není jednoznačný");

    // Only the shape the service uses is accepted, so the signature cannot cover something else.
    xmlNode* signedInfo = childElement(signature, "SignedInfo", ns::kDs);
    if (!signedInfo)
        return invalid("podpis nemá SignedInfo");
    if (attribute(childElement(signedInfo, "CanonicalizationMethod", ns::kDs), "Algorithm") != ns::kExcC14n)
        return invalid("podpis nepoužívá výhradní kanonizaci (exc-c14n)");
    if (attribute(childElement(signedInfo, "SignatureMethod", ns::kDs), "Algorithm") != ns::kRsaSha256)
        return invalid("podpis nepoužívá RSA-SHA256");
    if (elementCount(signedInfo, "Reference", ns::kDs) != 1)
        return invalid("podpis nemá právě jeden odkaz");
    xmlNode* reference = childElement(signedInfo, "Reference", ns::kDs);
    if (attribute(reference, "URI") != "#" + bodyId)
        return invalid("podpis se neodkazuje na tělo zprávy");
    if (xmlNode* transforms = childElement(reference, "Transforms", ns::kDs)) {
        for (xmlNode* t = transforms->children; t; t = t->next) {
            if (t->type != XML_ELEMENT_NODE)
                continue;
            if (!isElement(t, "Transform", ns::kDs) || attribute(t, "Algorithm") != ns::kExcC14n)
                return invalid("podpis používá nepovolenou transformaci");
        }
    }
    if (attribute(childElement(reference, "DigestMethod", ns::kDs), "Algorithm") != ns::kSha256)
        return invalid("podpis nepoužívá otisk SHA-256");

    xmlNode* keyInfo = childElement(signature, "KeyInfo", ns::kDs);
    xmlNode* str = childElement(keyInfo, "SecurityTokenReference", ns::kWsse);
    xmlNode* strRef = childElement(str, "Reference", ns::kWsse);
    std::string tokenId = attribute(token, "Id", ns::kWsu);
    if (!strRef || tokenId.empty() || attribute(strRef, "URI") != "#" + tokenId)
        return invalid("KeyInfo podpisu se neodkazuje na certifikát zprávy");

    std::vector<unsigned char> der = base64Decode(textContent(token));
    const unsigned char* p = der.data();
    result.signer.reset(der.empty() ? nullptr : d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    if (!result.signer)
        return invalid("certifikát ve zprávě nelze přečíst");

    EVP_PKEY* pub = X509_get0_pubkey(result.signer.get());
    DsigCtxPtr ctx(xmlSecDSigCtxCreate(nullptr));
    if (!ctx)
        return invalid("nelze vytvořit kontext ověření podpisu");
    ctx->signKey = keyFromEvp(pub);
    if (!ctx->signKey)
        return invalid("klíč certifikátu ve zprávě nelze použít");
    ctx->enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
    if (xmlSecDSigCtxVerify(ctx.get(), signature) < 0) {
        opensslErrors();
        return invalid("podpis zprávy nelze ověřit");
    }
    if (ctx->status != xmlSecDSigStatusSucceeded)
        return invalid("podpis zprávy nesouhlasí s jejím obsahem");
    result.state = SignatureState::Valid;
    return result;
}

} // namespace eet
