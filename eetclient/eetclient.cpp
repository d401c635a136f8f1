#include "eetclient/eetclient.h"

#include "eetclient/answer.h"
#include "eetclient/formats.h"
#include "eetclient/transport.h"
#include "eetclient/wssecurity.h"

#include <openssl/evp.h>

#include <cstdlib>
#include <ctime>

namespace eet
{

namespace
{

std::string bkpFromSignature(const std::vector<unsigned char>& signature)
{
    std::string hex = sha1Hex(signature.data(), signature.size());
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 8) {
        if (i)
            out += '-';
        out += hex.substr(i, 8);
    }
    return out;
}

void attr(std::string& out, const char* name, const std::string& value)
{
    out += ' ';
    out += name;
    out += "=\"";
    out += xmlEscape(value);
    out += '"';
}

} // namespace

Klient::Klient()
{
    initialiseLibraries();
}
Klient::~Klient() = default;

void Klient::SetURL(const std::string& url)
{
    m_url = trim(url);
}
void Klient::SetTimeout(int milliseconds)
{
    m_timeout = milliseconds <= 0 ? 2000 : milliseconds;
}
void Klient::DIC(const std::string& dic)
{
    m_dic = dic;
}
void Klient::CertHeslo(const std::string& password)
{
    m_password = password;
}
void Klient::CertSb(const std::string& path)
{
    m_certPath = path;
}
void Klient::SetMode(int mode)
{
    m_mode = mode;
}
void Klient::SetVerification(bool verification)
{
    m_verification = verification;
}
void Klient::IDProvoz(const std::string& premises)
{
    m_premises = premises;
}
void Klient::IDPokl(const std::string& registerId)
{
    m_register = registerId;
}
void Klient::SetSwitch(bool strict)
{
    m_strict = strict;
}
void Klient::SetCAFile(const std::string& path)
{
    m_caFile = path;
}
void Klient::SetUUID(const std::string& uuid)
{
    m_fixedUuid = uuid;
}

int Klient::SetParam(const std::string& name, const std::string& value)
{
    for (std::size_t i = 0; i < kParams.size(); ++i) {
        if (name == kParams[i].first) {
            m_params[i] = value;
            return 0;
        }
    }
    return 1;
}

void Klient::clearResults()
{
    m_uuid.clear();
    m_fik.clear();
    m_pkp.clear();
    m_pkpPlain.clear();
    m_bkp.clear();
    m_xml.clear();
    m_receivedAt.clear();
    m_error.clear();
}

void Klient::Prepare(bool firstSending, const std::string& receiptNumber, const std::string& saleTime,
                     const std::string& sendTime, const std::string& total)
{
    clearResults();
    auto fail = [&](const std::string& text) {
        m_error = text;
        throw Chyba(text);
    };

    const std::string dic = trim(m_dic);
    if (auto e = checkDic(dic); !e.empty())
        fail(e);
    auto premises = normalizeIdProvoz(m_premises);
    if (!premises)
        fail(checkIdProvoz(m_premises));
    if (auto e = checkIdPokl(m_register); !e.empty())
        fail(e);
    if (auto e = checkPoradCis(receiptNumber); !e.empty())
        fail(e);
    auto sale = normalizeDateTime(saleTime);
    if (!sale)
        fail("Chybné datum a čas tržby (dat_trzby): \"" + saleTime + "\" (očekává se rrrr-mm-ddThh:mm:ss)");
    auto sent =
        sendTime.empty() ? std::optional(localDateTime(std::time(nullptr))) : normalizeDateTime(sendTime);
    if (!sent)
        fail("Chybné datum a čas odeslání (dat_odesl): \"" + sendTime +
             "\" (očekává se rrrr-mm-ddThh:mm:ss)");
    auto totalText = normalizeAmount(total);
    if (!totalText)
        fail(checkAmount(total, "celk_trzba"));
    std::array<std::string, 13> amounts;
    for (std::size_t i = 0; i < kParams.size(); ++i) {
        if (trim(m_params[i]).empty())
            continue; // not given: the attribute is left out
        auto v = normalizeAmount(m_params[i]);
        if (!v)
            fail(checkAmount(m_params[i], std::string(kParams[i].first) + " (" + kParams[i].second + ")"));
        if (*v != "0.00")
            amounts[i] = *v;
    }
    if (m_mode != 0 && m_mode != 1)
        fail(checkRezim(std::to_string(m_mode)));
    std::string uuid = m_fixedUuid.empty() ? randomUuid() : m_fixedUuid;
    if (auto e = checkUuid(uuid); !e.empty())
        fail(e);

    try {
        m_cert = Certificate::load(m_certPath, m_password);
    } catch (const Chyba& e) {
        fail(e.what());
    }
    if (EVP_PKEY_get_bits(m_cert->key()) != 2048)
        fail("Klíč certifikátu musí být RSA o délce 2048 bitů");
    const CertificateInfo info = m_cert->info();
    if (m_strict && info.dic != dic)
        fail("DIČ v certifikátu (" + (info.dic.empty() ? std::string("žádné") : info.dic) +
             ") se neshoduje s nastaveným DIČ (" + dic + "); tržba nebyla odeslána");

    // PKP signs exactly these six values in this order; the service recomputes it.
    std::string plain =
        dic + "|" + *premises + "|" + m_register + "|" + receiptNumber + "|" + *sale + "|" + *totalText;
    std::vector<unsigned char> signature = m_cert->signSha256(plain);
    std::string pkp = base64Encode(signature.data(), signature.size());
    std::string bkp = bkpFromSignature(signature);

    std::string body;
    body.reserve(1536);
    body += "<Trzba xmlns=\"";
    body += ns::kEet;
    body += "\"><Hlavicka";
    attr(body, "uuid_zpravy", uuid);
    attr(body, "dat_odesl", *sent);
    attr(body, "prvni_zaslani", firstSending ? "true" : "false");
    attr(body, "overeni", m_verification ? "true" : "false");
    body += "/><Data";
    attr(body, "dic_popl", dic);
    attr(body, "id_provoz", *premises);
    attr(body, "id_pokl", m_register);
    attr(body, "porad_cis", receiptNumber);
    attr(body, "dat_trzby", *sale);
    attr(body, "celk_trzba", *totalText);
    for (std::size_t i = 0; i < kParams.size(); ++i)
        if (!amounts[i].empty())
            attr(body, kParams[i].second, amounts[i]);
    attr(body, "rezim", std::to_string(m_mode));
    body += "/><KontrolniKody><pkp digest=\"SHA256\" cipher=\"RSA2048\" encoding=\"base64\">";
    body += pkp;
    body += "</pkp><bkp digest=\"SHA1\" encoding=\"base16\">";
    body += bkp;
    body += "</bkp></KontrolniKody></Trzba>";

    std::string xml = signEnvelope(body, *m_cert);
    if (xml.size() > kMaxMessageSize)
        fail("Zpráva pro EET je větší než 12 kB (" + std::to_string(xml.size()) + " bajtů)");

    m_uuid = uuid;
    m_pkpPlain = plain;
    m_pkp = pkp;
    m_bkp = bkp;
    m_xml = std::move(xml);
}

bool Klient::Send(bool firstSending, const std::string& receiptNumber, const std::string& saleTime,
                  const std::string& sendTime, const std::string& total)
{
    try {
        checkServiceUrl(m_url);
    } catch (const Chyba& e) {
        clearResults();
        m_error = e.what();
        throw;
    }
    Prepare(firstSending, receiptNumber, saleTime, sendTime, total);

    std::string caFile = m_caFile;
    if (caFile.empty())
        if (const char* env = std::getenv("VORNIX_EET_CAFILE"))
            caFile = env;
    HttpResult http = postSoap(m_url, m_xml, m_timeout, caFile);
    if (!http.ok) {
        m_error = http.error;
        if (http.status >= 400 && !http.body.empty()) {
            Answer a = parseAnswer(http.body);
            if (a.kind == Answer::Kind::Malformed && a.problem.rfind("SOAP Fault", 0) == 0)
                m_error += " (" + a.problem + ")";
        }
    } else {
        AnswerOutcome outcome = evaluateAnswer(parseAnswer(http.body), &m_uuid, &m_bkp);
        m_fik = outcome.fik;
        m_receivedAt = outcome.receivedAt;
        m_error = outcome.error;
    }
    if (m_fik.empty()) {
        const CertificateInfo info = m_cert->info();
        if (info.expired)
            m_error +=
                (m_error.empty() ? "" : "\n") + std::string("Platnost certifikátu skončila ") + info.notAfter;
    }
    return !m_fik.empty();
}

} // namespace eet
