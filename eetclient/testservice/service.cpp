#include "service.h"

#include "eetclient/error.h"
#include "eetclient/formats.h"
#include "eetclient/wssecurity.h"

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstring>
#include <ctime>
#include <set>
#include <vector>

namespace eet::testservice
{

namespace
{

const char* errorText(int code)
{
    switch (code) {
    case -1:
        return "Docasna technicka chyba zpracovani - odeslete prosim datovou zpravu pozdeji";
    case 0:
        return "Datovou zpravu evidovane trzby v overovacim modu se podarilo zpracovat";
    case 2:
        return "Kodovani XML neni platne";
    case 3:
        return "XML zprava nevyhovela kontrole XML schematu";
    case 4:
        return "Neplatny podpis SOAP zpravy";
    case 5:
        return "Neplatny kontrolni bezpecnostni kod poplatnika (BKP)";
    case 7:
        return "Datova zprava je prilis velka";
    default:
        return "Datova zprava nebyla zpracovana kvuli technicke chybe nebo chybe dat";
    }
}

const char* kPkpText = "Neplatny podpisovy kod poplatnika (PKP)";
const char* kWarningDic = "DIC poplatnika v datove zprave se neshoduje s DIC v certifikatu";

std::string envelopeStart()
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<soap:Envelope xmlns:soap=\"") +
           ns::kSoap + "\"><soap:Header/><soap:Body>";
}

bool isBoolean(const std::string& v)
{
    return v == "true" || v == "false" || v == "1" || v == "0";
}
bool isTrue(const std::string& v)
{
    return v == "true" || v == "1";
}

// Only the attributes the schema declares may appear.
bool onlyAttributes(xmlNode* node, const std::set<std::string>& allowed)
{
    for (xmlAttr* a = node->properties; a; a = a->next)
        if (a->ns || !allowed.count(reinterpret_cast<const char*>(a->name)))
            return false;
    return true;
}

std::vector<xmlNode*> elementChildren(xmlNode* node)
{
    std::vector<xmlNode*> out;
    for (xmlNode* c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE)
            out.push_back(c);
    return out;
}

bool named(xmlNode* n, const char* name)
{
    return std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0 && n->ns &&
           std::strcmp(reinterpret_cast<const char*>(n->ns->href), ns::kEet) == 0;
}

const std::vector<std::string> kAmountAttributes = {"zakl_nepodl_dph",
                                                    "zakl_dan1",
                                                    "dan1",
                                                    "zakl_dan2",
                                                    "dan2",
                                                    "zakl_dan3",
                                                    "dan3",
                                                    "cest_sluz",
                                                    "pouzit_zboz1",
                                                    "pouzit_zboz2",
                                                    "pouzit_zboz3",
                                                    "urceno_cerp_zuct",
                                                    "cerp_zuct"};

std::string bkpOf(const std::vector<unsigned char>& pkp)
{
    std::string hex = sha1Hex(pkp.data(), pkp.size());
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 8)
        out += (i ? "-" : "") + hex.substr(i, 8);
    return out;
}

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

Service::Service(Options options) : m_options(std::move(options))
{
    if (!m_options.signer)
        m_options.signer = Certificate::generateSelfSigned("EET test service", 3650);
}

std::string Service::errorAnswer(const std::string& uuid, int code, const std::string& warningsXml,
                                 const std::string& text)
{
    std::string out = envelopeStart();
    out += "<eet:Odpoved xmlns:eet=\"";
    out += ns::kEet;
    out += "\"><eet:Hlavicka";
    if (checkUuid(uuid).empty())
        out += " uuid_zpravy=\"" + uuid + "\"";
    out += " dat_odmit=\"" + localDateTime(std::time(nullptr)) + "\"/><eet:Chyba kod=\"" +
           std::to_string(code) + "\" test=\"true\">" + (text.empty() ? std::string(errorText(code)) : text) +
           "</eet:Chyba>" + warningsXml + "</eet:Odpoved></soap:Body></soap:Envelope>";
    return out;
}

Result Service::handle(const std::string& request) const
{
    Result r;
    auto fail = [&](int code, const std::string& text = {}) {
        r.code = code;
        r.answer = errorAnswer(r.uuid, code, {}, text);
        return r;
    };
    if (request.size() > kMaxMessageSize)
        return fail(7);
    if (!isValidUtf8(request))
        return fail(2);
    XmlDocPtr doc = parseXml(request);
    if (!doc)
        return fail(3);
    if (doc->encoding && strcasecmp(reinterpret_cast<const char*>(doc->encoding), "UTF-8") != 0)
        return fail(2);
    xmlNode* body = soapBody(doc.get());
    xmlNode* trzba = body ? childElement(body, "Trzba", ns::kEet) : nullptr;
    if (!trzba || elementChildren(body).size() != 1)
        return fail(3);
    std::vector<xmlNode*> parts = elementChildren(trzba);
    if (parts.size() != 3 || !named(parts[0], "Hlavicka") || !named(parts[1], "Data") ||
        !named(parts[2], "KontrolniKody"))
        return fail(3);
    xmlNode* hlavicka = parts[0];
    xmlNode* data = parts[1];
    xmlNode* kody = parts[2];

    // Formats, as the schema of interface version 3 gives them.
    r.uuid = attribute(hlavicka, "uuid_zpravy");
    if (!checkUuid(r.uuid).empty()) {
        r.uuid.clear();
        return fail(3);
    }
    const std::string prvni = attribute(hlavicka, "prvni_zaslani");
    const std::string overeni = attribute(hlavicka, "overeni");
    if (!onlyAttributes(hlavicka, {"uuid_zpravy", "dat_odesl", "prvni_zaslani", "overeni"}) ||
        !checkDateTime(attribute(hlavicka, "dat_odesl"), "dat_odesl").empty() || !isBoolean(prvni) ||
        (hasAttribute(hlavicka, "overeni") && !isBoolean(overeni)))
        return fail(3);

    std::set<std::string> dataAttributes = {"dic_popl",  "dic_poverujiciho", "id_provoz",  "id_pokl",
                                            "porad_cis", "dat_trzby",        "celk_trzba", "rezim"};
    dataAttributes.insert(kAmountAttributes.begin(), kAmountAttributes.end());
    const std::string dic = attribute(data, "dic_popl");
    const std::string provoz = attribute(data, "id_provoz");
    const std::string pokl = attribute(data, "id_pokl");
    const std::string porad = attribute(data, "porad_cis");
    const std::string datTrzby = attribute(data, "dat_trzby");
    const std::string celk = attribute(data, "celk_trzba");
    if (!onlyAttributes(data, dataAttributes) || !checkDic(dic).empty() || !checkIdProvoz(provoz).empty() ||
        !checkIdPokl(pokl).empty() || !checkPoradCis(porad).empty() || !checkDateTime(datTrzby, "").empty() ||
        !checkAmount(celk, "celk_trzba").empty() || !checkRezim(attribute(data, "rezim")).empty() ||
        (hasAttribute(data, "dic_poverujiciho") && !checkDic(attribute(data, "dic_poverujiciho")).empty()))
        return fail(3);
    for (const std::string& name : kAmountAttributes)
        if (hasAttribute(data, name.c_str()) && !checkAmount(attribute(data, name.c_str()), name).empty())
            return fail(3);

    std::vector<xmlNode*> codes = elementChildren(kody);
    if (codes.size() != 2 || !named(codes[0], "pkp") || !named(codes[1], "bkp"))
        return fail(3);
    xmlNode* pkpNode = codes[0];
    xmlNode* bkpNode = codes[1];
    if (attribute(pkpNode, "digest") != "SHA256" || attribute(pkpNode, "cipher") != "RSA2048" ||
        attribute(pkpNode, "encoding") != "base64" || attribute(bkpNode, "digest") != "SHA1" ||
        attribute(bkpNode, "encoding") != "base16")
        return fail(3);
    const std::vector<unsigned char> pkp = base64Decode(textContent(pkpNode));
    const std::string bkp = trim(textContent(bkpNode));
    if (pkp.size() != 256 || !checkBkp(bkp).empty())
        return fail(3);

    // WS-Security: the body must be signed with the certificate the message carries.
    SignatureCheck sig = verifyEnvelope(doc.get());
    if (sig.state != SignatureState::Valid)
        return fail(4);
    X509* cert = sig.signer.get();
    if (m_options.requireValidity && (X509_cmp_current_time(X509_get0_notBefore(cert)) > 0 ||
                                      X509_cmp_current_time(X509_get0_notAfter(cert)) < 0))
        return fail(4);
    if (!m_options.caFile.empty()) {
        X509_STORE* store = X509_STORE_new();
        bool trusted = false;
        for (X509* ca : readCertificates(m_options.caFile)) {
            trusted = X509_STORE_add_cert(store, ca) == 1 || trusted;
            X509_free(ca);
        }
        X509_STORE_CTX* ctx = X509_STORE_CTX_new();
        if (trusted && X509_STORE_CTX_init(ctx, store, cert, nullptr) == 1) {
            // Intermediate CAs may be given as anchors; the playground CA marks an extension
            // critical that OpenSSL does not know, which a test service need not insist on.
            unsigned long flags = X509_V_FLAG_PARTIAL_CHAIN | X509_V_FLAG_IGNORE_CRITICAL;
            if (!m_options.requireValidity)
                flags |= X509_V_FLAG_NO_CHECK_TIME;
            X509_STORE_CTX_set_flags(ctx, flags);
            trusted = X509_verify_cert(ctx) == 1;
        } else
            trusted = false;
        X509_STORE_CTX_free(ctx);
        X509_STORE_free(store);
        opensslErrors();
        if (!trusted)
            return fail(4);
    }

    // PKP is the taxpayer's signature of the six values; BKP its SHA-1.
    const std::string plain = dic + "|" + provoz + "|" + pokl + "|" + porad + "|" + datTrzby + "|" + celk;
    if (!verifySha256(cert, plain, pkp))
        return fail(5, kPkpText);
    if (upper(bkp) != bkpOf(pkp))
        return fail(5);

    std::string warnings;
    if (certificateInfo(cert).dic != dic)
        warnings += std::string("<eet:Varovani kod_varov=\"1\">") + kWarningDic + "</eet:Varovani>";

    if (isTrue(overeni)) {
        r.code = 0;
        r.answer = errorAnswer(r.uuid, 0, warnings);
        return r;
    }

    r.fik = randomUuid() + "-" + randomHex(1);
    std::string odpoved = std::string("<eet:Odpoved xmlns:eet=\"") + ns::kEet +
                          "\"><eet:Hlavicka uuid_zpravy=\"" + r.uuid + "\" bkp=\"" + bkp + "\" dat_prij=\"" +
                          localDateTime(std::time(nullptr)) + "\"/><eet:Potvrzeni fik=\"" + r.fik +
                          "\" test=\"true\"/>" + warnings + "</eet:Odpoved>";
    r.answer = signEnvelope(odpoved, *m_options.signer);
    r.confirmed = true;
    r.code = 0;
    return r;
}

} // namespace eet::testservice
