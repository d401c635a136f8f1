#include "support.h"

#include "eetclient/answer.h"
#include "eetclient/eetclient.h"
#include "eetclient/transport.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

using eettest::TestService;

// A message the client builds, and its Trzba body for re-signing after a change.
struct Request {
    std::string xml;
    std::string trzba;
    std::shared_ptr<const eet::Certificate> cert;
};

Request request(const std::string& certPath = {}, const std::string& password = "eet")
{
    eet::Klient k;
    k.DIC("CZ1212121218");
    k.CertSb(certPath.empty() ? eettest::playgroundCert("CZ1212121218") : certPath);
    k.CertHeslo(password);
    k.IDProvoz("273");
    k.IDPokl("/5546/RO24");
    k.SetParam("T_Zakl_DPH1", "100.00");
    k.Prepare(true, "0/6460/ZQ42", "2024-03-01T10:00:00+01:00", "", "121.00");
    Request r;
    r.xml = k.GetXML();
    auto start = r.xml.find("<Trzba");
    r.trzba = r.xml.substr(start, r.xml.find("</soap:Body>") - start);
    r.cert = eet::Certificate::load(certPath.empty() ? eettest::playgroundCert("CZ1212121218") : certPath,
                                    password);
    return r;
}

std::string changed(const std::string& text, const std::string& pattern, const std::string& with)
{
    std::string out =
        std::regex_replace(text, std::regex(pattern), with, std::regex_constants::format_first_only);
    EXPECT_NE(out, text) << pattern;
    return out;
}

eet::Answer post(const TestService& service, const std::string& xml)
{
    eet::HttpResult http = eet::postSoap(service.url(), xml, 5000, "");
    EXPECT_TRUE(http.ok) << http.error;
    return eet::parseAnswer(http.body);
}

class Service : public ::testing::Test
{
  protected:
    void SetUp() override { REQUIRE_SHARED_EET(); }
};

TEST_F(Service, ChecksLikeTheStateService)
{
    TestService service;
    Request r = request();
    auto resign = [&](const std::string& trzba) { return eet::signEnvelope(trzba, *r.cert); };
    std::string oversized = changed(r.xml, "</Trzba>", "</Trzba><!--" + std::string(13000, 'x') + "-->");

    struct Case {
        const char* what;
        std::string xml;
        int code;
    };
    const std::vector<Case> cases = {
        {"changed after signing", changed(r.xml, "celk_trzba=\"121.00\"", "celk_trzba=\"122.00\""), 4},
        {"unsigned",
         "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<soap:Body>" +
             r.trzba + "</soap:Body></soap:Envelope>",
         4},
        {"PKP of other values", resign(changed(r.trzba, "celk_trzba=\"121.00\"", "celk_trzba=\"122.00\"")),
         5},
        {"BKP of another PKP",
         resign(
             changed(r.trzba, ">[0-9A-F-]{44}</bkp>", ">00000000-00000000-00000000-00000000-00000000</bkp>")),
         5},
        {"bad DIČ", resign(changed(r.trzba, "dic_popl=\"CZ1212121218\"", "dic_popl=\"CZ12\"")), 3},
        {"negative zero", resign(changed(r.trzba, "zakl_dan1=\"100.00\"", "zakl_dan1=\"-0.00\"")), 3},
        {"unknown attribute", resign(changed(r.trzba, "rezim=", "sleva=\"1.00\" rezim=")), 3},
        {"missing bkp", resign(changed(r.trzba, "<bkp[^<]*</bkp>", "")), 3},
        {"not UTF-8", changed(r.xml, "<Data ", "<Data x=\"\xe9\" "), 2},
        {"other encoding", changed(r.xml, "encoding=\"UTF-8\"", "encoding=\"ISO-8859-2\""), 2},
        {"too large", oversized, 7},
    };
    for (const Case& c : cases) {
        eet::Answer a = post(service, c.xml);
        EXPECT_EQ(a.kind, eet::Answer::Kind::Error) << c.what;
        EXPECT_EQ(a.errorCode, c.code) << c.what << ": " << a.errorText;
    }
    // The untouched message is confirmed, with a signature the client accepts.
    eet::Answer ok = post(service, r.xml);
    EXPECT_EQ(ok.kind, eet::Answer::Kind::Confirmation);
    EXPECT_EQ(ok.signature, eet::SignatureState::Valid) << ok.signatureProblem;
}

TEST_F(Service, CaFileAndValidityCanBeRequired)
{
    const auto& demo = eettest::demoCert();
    TestService strict({"--ca", demo.ca, "--require-valid"});
    EXPECT_EQ(post(strict, request(demo.p12, "demo").xml).kind, eet::Answer::Kind::Confirmation);
    eet::Answer playground = post(strict, request().xml); // another issuer, and expired
    EXPECT_EQ(playground.kind, eet::Answer::Kind::Error);
    EXPECT_EQ(playground.errorCode, 4);

    TestService validOnly({"--require-valid"});
    EXPECT_EQ(post(validOnly, request().xml).errorCode, 4);

    TestService caOnly({"--ca", eettest::sharedEet() + "/playground/EET_CA1_Playground-ca.crt"});
    EXPECT_EQ(post(caOnly, request().xml).kind, eet::Answer::Kind::Confirmation); // expiry ignored
    EXPECT_EQ(post(caOnly, request(demo.p12, "demo").xml).errorCode, 4);
}

} // namespace
