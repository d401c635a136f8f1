#include "eetclient/answer.h"

#include "eetclient/formats.h"

#include <cstdlib>

namespace eet
{

namespace
{

bool parseInt(const std::string& s, int& out)
{
    if (s.empty() || s.size() > 5)
        return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0')
        return false;
    out = static_cast<int>(v);
    return true;
}

Answer malformed(Answer a, const std::string& why)
{
    a.kind = Answer::Kind::Malformed;
    a.problem = why;
    return a;
}

} // namespace

Answer parseAnswer(std::string_view text)
{
    Answer a;
    XmlDocPtr doc = parseXml(text);
    if (!doc)
        return malformed(a, "odpověď není platné XML");
    xmlNode* body = soapBody(doc.get());
    if (!body)
        return malformed(a, "odpověď nemá obálku SOAP s tělem");

    xmlNode* odpoved = childElement(body, "Odpoved", ns::kEet);
    if (!odpoved) {
        xmlNode* fault = childElement(body, "Fault", ns::kSoap);
        if (fault)
            return malformed(a,
                             "SOAP Fault: " + trim(textContent(childElement(fault, "faultstring", nullptr))));
        return malformed(a, "odpověď neobsahuje element Odpoved");
    }

    SignatureCheck sig = verifyEnvelope(doc.get());
    a.signature = sig.state;
    a.signatureProblem = sig.error;

    xmlNode* hlavicka = childElement(odpoved, "Hlavicka", ns::kEet);
    if (!hlavicka)
        return malformed(a, "odpověď nemá Hlavicka");
    a.uuid = attribute(hlavicka, "uuid_zpravy");
    a.bkp = attribute(hlavicka, "bkp");
    a.receivedAt = attribute(hlavicka, "dat_prij");

    xmlNode* potvrzeni = childElement(odpoved, "Potvrzeni", ns::kEet);
    xmlNode* chyba = childElement(odpoved, "Chyba", ns::kEet);
    if ((potvrzeni != nullptr) == (chyba != nullptr))
        return malformed(a, "odpověď nemá právě jedno z Potvrzeni a Chyba");

    for (xmlNode* c = odpoved->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE ||
            !xmlStrEqual(c->name, reinterpret_cast<const xmlChar*>("Varovani")))
            continue;
        int code = 0;
        if (!parseInt(attribute(c, "kod_varov"), code))
            return malformed(a, "varování bez platného kódu");
        a.warnings.emplace_back(code, trim(textContent(c)));
    }

    if (potvrzeni) {
        a.fik = attribute(potvrzeni, "fik");
        if (!checkFik(a.fik).empty())
            return malformed(a, "potvrzení nese chybný FIK \"" + a.fik + "\"");
        if (!checkDateTime(a.receivedAt, "dat_prij").empty())
            return malformed(a, "potvrzení nemá platné datum přijetí (dat_prij)");
        a.kind = Answer::Kind::Confirmation;
    } else {
        if (!parseInt(attribute(chyba, "kod"), a.errorCode))
            return malformed(a, "chyba bez platného kódu");
        a.errorText = trim(textContent(chyba));
        a.kind = Answer::Kind::Error;
    }
    return a;
}

AnswerOutcome evaluateAnswer(const Answer& a, const std::string* expectedUuid, const std::string* expectedBkp)
{
    AnswerOutcome out;
    auto addLine = [&](const std::string& line) {
        if (!out.error.empty())
            out.error += "\n";
        out.error += line;
    };
    switch (a.kind) {
    case Answer::Kind::Malformed:
        addLine("Chybná odpověď serveru EET: " + a.problem);
        return out;
    case Answer::Kind::Error:
        if (a.signature == SignatureState::Invalid) {
            addLine("Odpověď serveru EET je podvržená nebo poškozená: " + a.signatureProblem);
            return out;
        }
        if (a.errorCode == 0)
            addLine("Kód 0 (ověřovací režim): " + a.errorText);
        else
            addLine("Chyba " + std::to_string(a.errorCode) + ": " + a.errorText);
        break;
    case Answer::Kind::Confirmation:
        if (a.signature != SignatureState::Valid) {
            addLine("Odpověď serveru EET je podvržená nebo poškozená: " + a.signatureProblem +
                    " – FIK nepřijat");
            return out;
        }
        if (expectedUuid && a.uuid != *expectedUuid) {
            addLine("Odpověď serveru EET nepatří k odeslané zprávě (uuid_zpravy \"" + a.uuid +
                    "\") – FIK nepřijat");
            return out;
        }
        if (expectedBkp && a.bkp != *expectedBkp) {
            addLine("Odpověď serveru EET nesouhlasí s odeslaným BKP – FIK nepřijat");
            return out;
        }
        out.fik = a.fik;
        out.receivedAt = a.receivedAt;
        break;
    }
    for (const auto& [code, text] : a.warnings)
        addLine("Varování " + std::to_string(code) + ": " + text);
    return out;
}

} // namespace eet
