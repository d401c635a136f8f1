#include "support.h"

#include "eetclient/eetclient.h"
#include "eetclient/formats.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>

namespace
{

using eettest::TestService;

void configure(eet::Klient& k, const std::string& url, const std::string& dic = "CZ1212121218")
{
    k.SetURL(url);
    k.SetTimeout(5000);
    k.DIC(dic);
    k.CertSb(eettest::playgroundCert("CZ1212121218"));
    k.CertHeslo("eet");
    k.IDProvoz("273");
    k.IDPokl("/5546/RO24");
    k.SetParam("T_Zakl_DPH1", "100.00");
    k.SetParam("T_DPH1", "21.00");
}

bool send(eet::Klient& k, bool first = true)
{
    return k.Send(first, "0/6460/ZQ42", "2024-03-01T10:00:00", "", "121.00");
}

class Exchange : public ::testing::Test
{
  protected:
    void SetUp() override { REQUIRE_SHARED_EET(); }
};

TEST_F(Exchange, FullSendOverHttpGivesFik)
{
    TestService service;
    eet::Klient k;
    configure(k, service.url());
    ASSERT_TRUE(send(k)) << k.GetError();
    EXPECT_TRUE(std::regex_match(
        k.GetFIK(),
        std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}-[0-9a-f]{2}")))
        << k.GetFIK();
    EXPECT_TRUE(
        std::regex_match(k.GetReceivedAt().substr(0, 19), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)")))
        << k.GetReceivedAt();
    EXPECT_EQ(k.GetError(), "");
    EXPECT_NE(k.GetXML().find(k.GetUUID()), std::string::npos);
    EXPECT_EQ(k.GetBKP().size(), 44u);

    // A repeated sale (first-sending flag false) is accepted too, with a new FIK.
    std::string firstFik = k.GetFIK();
    ASSERT_TRUE(send(k, false)) << k.GetError();
    EXPECT_NE(k.GetXML().find("prvni_zaslani=\"false\""), std::string::npos);
    EXPECT_NE(k.GetFIK(), firstFik);
}

TEST_F(Exchange, FullSendOverHttpsWithExtraCa)
{
    eettest::TempDir dir;
    TestService service({"--tls-generate", dir.file("tls.pem")});
    ASSERT_EQ(service.url().rfind("https://127.0.0.1:", 0), 0u) << service.url();
    eet::Klient k;
    configure(k, service.url());
    k.SetCAFile(dir.file("tls.pem"));
    ASSERT_TRUE(send(k)) << k.GetError();
    EXPECT_EQ(k.GetFIK().size(), 39u);
}

TEST_F(Exchange, DicDifferentFromCertificateGivesWarningButKeepsFik)
{
    TestService service;
    eet::Klient k;
    configure(k, service.url(), "CZ00000019");
    ASSERT_TRUE(send(k)) << k.GetError();
    EXPECT_EQ(k.GetError(), "Varování 1: DIC poplatnika v datove zprave se neshoduje s DIC v certifikatu");
}

TEST_F(Exchange, VerificationModeGivesCodeZeroAndNoFik)
{
    TestService service;
    eet::Klient k;
    configure(k, service.url());
    k.SetVerification(true);
    EXPECT_FALSE(send(k));
    EXPECT_EQ(k.GetFIK(), "");
    EXPECT_EQ(k.GetError().rfind("Kód 0 (ověřovací režim)", 0), 0u) << k.GetError();
    // The playground certificate has expired; without a FIK the error says so.
    EXPECT_NE(k.GetError().find("Platnost certifikátu skončila 2022-08-08"), std::string::npos)
        << k.GetError();
    EXPECT_NE(k.GetPKP(), ""); // codes are there for the receipt either way
}

TEST_F(Exchange, StrictSwitchRefusesCertificateOfAnotherTaxpayer)
{
    TestService service;
    eet::Klient k;
    configure(k, service.url(), "CZ00000019");
    k.SetSwitch(true);
    try {
        send(k);
        ADD_FAILURE() << "sent despite the DIČ mismatch";
    } catch (const eet::Chyba& e) {
        EXPECT_NE(std::string(e.what()).find("CZ1212121218"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("CZ00000019"), std::string::npos) << e.what();
    }
    EXPECT_EQ(service.requestCount(), 0);
    EXPECT_EQ(k.GetFIK(), "");

    eet::Klient matching;
    configure(matching, service.url());
    matching.SetSwitch(true);
    EXPECT_TRUE(send(matching)) << matching.GetError();
}

TEST_F(Exchange, BadFieldIsRefusedLocallyAndNothingIsSent)
{
    TestService service;
    eet::Klient k;
    configure(k, service.url());
    k.SetParam("T_DPH1", "-0.001");
    EXPECT_THROW(send(k), eet::Chyba);
    EXPECT_NE(k.GetError().find("dan1"), std::string::npos) << k.GetError();
    EXPECT_EQ(service.requestCount(), 0);
}

TEST_F(Exchange, PlainHttpOnlyToLoopback)
{
    for (const char* url : {"http://192.0.2.1/eet/services/EETServiceSOAP/v3", "http://example.com/x",
                            "ftp://127.0.0.1/", "", "nonsense"}) {
        eet::Klient k;
        configure(k, url);
        EXPECT_THROW(send(k), eet::Chyba) << url;
        EXPECT_EQ(k.GetPKP(), "") << url;
    }
}

struct FaultCase {
    const char* name;
    std::vector<std::string> serviceArgs;
    int timeoutMs;
    const char* expected; // the start of the error text
};

TEST_F(Exchange, EachTransportFaultHasItsOwnClearError)
{
    eettest::TempDir dir;
    const std::vector<FaultCase> cases = {
        {"timeout", {"--delay", "10000"}, 300, "Vypršel časový limit 300 ms"},
        {"refused", {}, 2000, "Server EET odmítl spojení"},
        {"tls", {"--tls-generate", dir.file("untrusted.pem")}, 2000, "Chyba zabezpečeného spojení (TLS)"},
        {"http error", {"--fault", "http-error"}, 2000, "Server EET odpověděl chybou HTTP 503"},
        {"drop", {"--fault", "drop"}, 2000, "Spojení se serverem EET bylo přerušeno"},
        {"malformed", {"--fault", "malformed"}, 2000, "Chybná odpověď serveru EET"},
        {"forged", {"--fault", "bad-signature"}, 2000, "Odpověď serveru EET je podvržená"},
        {"temporary", {"--fault", "temporary"}, 2000, "Chyba -1: "},
    };
    std::set<std::string> firstLines;
    for (const FaultCase& c : cases) {
        TestService service(c.serviceArgs);
        std::string url = service.url();
        if (std::string(c.name) == "refused")
            url = "http://127.0.0.1:" + std::to_string(eettest::closedPort()) +
                  "/eet/services/EETServiceSOAP/v3";
        eet::Klient k;
        configure(k, url);
        k.SetTimeout(c.timeoutMs);
        auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(send(k)) << c.name;
        auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(k.GetFIK(), "") << c.name;
        EXPECT_EQ(k.GetError().rfind(c.expected, 0), 0u) << c.name << ": " << k.GetError();
        EXPECT_NE(k.GetPKP(), "") << c.name;
        firstLines.insert(k.GetError().substr(0, k.GetError().find('\n')));
        if (std::string(c.name) == "timeout") { // the bound holds although the service waits 10 s
            EXPECT_LT(elapsed, std::chrono::seconds(5));
        }
    }
    EXPECT_EQ(firstLines.size(), cases.size());
}

TEST_F(Exchange, FaultCountLetsTheRetrySucceed)
{
    TestService service({"--fault", "temporary", "--fault-count", "1"});
    eet::Klient k;
    configure(k, service.url());
    EXPECT_FALSE(send(k));
    EXPECT_TRUE(send(k, false)) << k.GetError();
    EXPECT_EQ(service.requestCount(), 2);
}

TEST_F(Exchange, ZeroTimeoutMeansTwoSeconds)
{
    TestService service({"--delay", "1000"});
    eet::Klient k;
    configure(k, service.url());
    k.SetTimeout(0); // an answer after one second must still arrive
    EXPECT_TRUE(send(k)) << k.GetError();
}

} // namespace
