#include "support.h"

#include "eetclient/eetclient.h"
#include "eetclient/wssecurity.h"

#include <gtest/gtest.h>

#include <libxml/tree.h>

#include <functional>
#include <regex>
#include <set>

namespace
{

using eettest::run;

void configure(eet::Klient& k)
{
    k.DIC("CZ1212121218");
    k.CertSb(eettest::playgroundCert("CZ1212121218"));
    k.CertHeslo("eet");
    k.IDProvoz("273");
    k.IDPokl("/5546/RO24");
}

struct Parsed {
    eet::XmlDocPtr doc;
    xmlNode* hlavicka = nullptr;
    xmlNode* data = nullptr;
    xmlNode* trzba = nullptr;
};

Parsed parse(const std::string& xml)
{
    Parsed p;
    p.doc = eet::parseXml(xml);
    EXPECT_TRUE(p.doc);
    p.trzba = eet::childElement(eet::soapBody(p.doc.get()), "Trzba", eet::ns::kEet);
    p.hlavicka = eet::childElement(p.trzba, "Hlavicka", eet::ns::kEet);
    p.data = eet::childElement(p.trzba, "Data", eet::ns::kEet);
    EXPECT_TRUE(p.hlavicka && p.data);
    return p;
}

// The Trzba element on its own, as a document for xmllint --schema.
std::string trzbaDocument(const std::string& xml)
{
    Parsed p = parse(xml);
    eet::XmlDocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    xmlDocSetRootElement(doc.get(), xmlDocCopyNode(p.trzba, doc.get(), 1));
    xmlChar* buf = nullptr;
    int len = 0;
    xmlDocDumpMemoryEnc(doc.get(), &buf, &len, "UTF-8");
    std::string out(reinterpret_cast<char*>(buf), static_cast<std::size_t>(len));
    xmlFree(buf);
    return out;
}

class Message : public ::testing::Test
{
  protected:
    void SetUp() override { REQUIRE_SHARED_EET(); }
    int xmllint(const std::string& trzba)
    {
        eettest::writeFile(m_dir.file("trzba.xml"), trzba);
        return run({"xmllint", "--noout", "--schema", eettest::sharedEet() + "/EETXMLSchema.xsd",
                    m_dir.file("trzba.xml")})
            .status;
    }
    // xmlsec1 with the public key of the certificate the message carries, taken out by openssl.
    int xmlsec1Verify(const std::string& xml)
    {
        std::smatch m;
        std::regex token("BinarySecurityToken[^>]*>([^<]+)<");
        EXPECT_TRUE(std::regex_search(xml, m, token));
        eettest::writeFile(m_dir.file("token.b64"), m[1].str());
        EXPECT_EQ(run({"openssl", "base64", "-d", "-A", "-in", m_dir.file("token.b64"), "-out",
                       m_dir.file("token.der")})
                      .status,
                  0);
        EXPECT_EQ(run({"openssl", "x509", "-inform", "DER", "-in", m_dir.file("token.der"), "-out",
                       m_dir.file("token.pem")})
                      .status,
                  0);
        eettest::writeFile(m_dir.file("msg.xml"), xml);
        return run({"xmlsec1", "--verify", "--pubkey-cert-pem", m_dir.file("token.pem"), "--id-attr:Id",
                    std::string(eet::ns::kSoap) + ":Body", m_dir.file("msg.xml")})
            .status;
    }
    eettest::TempDir m_dir;
};

TEST_F(Message, ValidatesAgainstOfficialSchemaAndVerifiesWithXmlsec1)
{
    eet::Klient k;
    configure(k);
    k.SetParam("T_Zakl_DPH1", "100.00");
    k.SetParam("T_DPH1", "21.00");
    k.SetParam("T_Cerp_Zuct", "-5");
    k.Prepare(true, "0/6460/ZQ42", "2016-08-05T00:30:12+02:00", "2016-08-05T00:30:15+02:00", "116.00");
    const std::string xml = k.GetXML();
    EXPECT_EQ(xmllint(trzbaDocument(xml)), 0);
    EXPECT_EQ(xmlsec1Verify(xml), 0);

    // The verifiers are not blind: a changed amount breaks the signature, a bad value the schema.
    std::string changed =
        std::regex_replace(xml, std::regex("celk_trzba=\"116.00\""), "celk_trzba=\"117.00\"");
    ASSERT_NE(changed, xml);
    EXPECT_NE(xmlsec1Verify(changed), 0);
    std::string badRezim = std::regex_replace(trzbaDocument(xml), std::regex("rezim=\"0\""), "rezim=\"2\"");
    EXPECT_NE(xmllint(badRezim), 0);
}

TEST_F(Message, HeaderAndDataCarryTheGivenValues)
{
    eet::Klient k;
    configure(k);
    k.SetMode(1);
    k.SetVerification(true);
    k.Prepare(false, "24-0001", "2016-08-05T00:30:12+02:00", "2016-08-05T00:31:00+02:00", "150");
    Parsed p = parse(k.GetXML());
    EXPECT_EQ(eet::attribute(p.hlavicka, "uuid_zpravy"), k.GetUUID());
    EXPECT_EQ(eet::attribute(p.hlavicka, "dat_odesl"), "2016-08-05T00:31:00+02:00");
    EXPECT_EQ(eet::attribute(p.hlavicka, "prvni_zaslani"), "false");
    EXPECT_EQ(eet::attribute(p.hlavicka, "overeni"), "true");
    EXPECT_EQ(eet::attribute(p.data, "dic_popl"), "CZ1212121218");
    EXPECT_EQ(eet::attribute(p.data, "id_provoz"), "273");
    EXPECT_EQ(eet::attribute(p.data, "id_pokl"), "/5546/RO24");
    EXPECT_EQ(eet::attribute(p.data, "porad_cis"), "24-0001");
    EXPECT_EQ(eet::attribute(p.data, "celk_trzba"), "150.00");
    EXPECT_EQ(eet::attribute(p.data, "rezim"), "1");
    xmlNode* kody = eet::childElement(p.trzba, "KontrolniKody", eet::ns::kEet);
    EXPECT_EQ(eet::textContent(eet::childElement(kody, "pkp", eet::ns::kEet)), k.GetPKP());
    EXPECT_EQ(eet::textContent(eet::childElement(kody, "bkp", eet::ns::kEet)), k.GetBKP());
    EXPECT_EQ(xmllint(trzbaDocument(k.GetXML())), 0);
}

TEST_F(Message, EachParameterFillsItsAttributeAndZeroesAreLeftOut)
{
    for (std::size_t i = 0; i < eet::Klient::kParams.size(); ++i) {
        eet::Klient k;
        configure(k);
        for (const auto& [name, attr] : eet::Klient::kParams)
            k.SetParam(name, "0.00");
        const auto& [name, attr] = eet::Klient::kParams[i];
        k.SetParam(name, std::to_string(i + 1) + ".5");
        k.Prepare(true, "1", "2016-08-05T00:30:12+02:00", "2016-08-05T00:30:12+02:00", "10.00");
        Parsed p = parse(k.GetXML());
        for (const auto& [otherName, otherAttr] : eet::Klient::kParams) {
            if (otherAttr == attr)
                EXPECT_EQ(eet::attribute(p.data, attr), std::to_string(i + 1) + ".50") << name;
            else
                EXPECT_FALSE(eet::hasAttribute(p.data, otherAttr)) << name << " also set " << otherAttr;
        }
    }
}

TEST_F(Message, EverySendGetsAFreshUuidV4)
{
    eet::Klient k;
    configure(k);
    std::set<std::string> seen;
    std::regex v4("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    for (int i = 0; i < 5; ++i) {
        k.Prepare(true, "1", "2016-08-05T00:30:12+02:00", "", "1.00");
        EXPECT_TRUE(std::regex_match(k.GetUUID(), v4)) << k.GetUUID();
        seen.insert(k.GetUUID());
    }
    EXPECT_EQ(seen.size(), 5u);
}

TEST_F(Message, BadFieldsThrowNamingTheFieldAndLeaveNoResults)
{
    struct Bad {
        const char* what;
        std::function<void(eet::Klient&)> setup;
        const char* number;
        const char* time;
        const char* total;
        const char* mention;
    };
    const std::vector<Bad> cases = {
        {"DIČ", [](eet::Klient& k) { k.DIC("CZ12"); }, "1", "2016-08-05T00:30:12", "1", "dic_popl"},
        {"provozovna", [](eet::Klient& k) { k.IDProvoz("0"); }, "1", "2016-08-05T00:30:12", "1", "id_provoz"},
        {"pokladna", [](eet::Klient& k) { k.IDPokl("pokladna č. 1"); }, "1", "2016-08-05T00:30:12", "1",
         "id_pokl"},
        {"číslo", [](eet::Klient&) {}, "", "2016-08-05T00:30:12", "1", "porad_cis"},
        {"čas", [](eet::Klient&) {}, "1", "05.08.2016 00:30", "1", "dat_trzby"},
        {"celkem", [](eet::Klient&) {}, "1", "2016-08-05T00:30:12", "100000000", "celk_trzba"},
        {"parametr", [](eet::Klient& k) { k.SetParam("T_DPH2", "1.234"); }, "1", "2016-08-05T00:30:12", "1",
         "dan2"},
        {"režim", [](eet::Klient& k) { k.SetMode(2); }, "1", "2016-08-05T00:30:12", "1", "rezim"},
    };
    for (const Bad& c : cases) {
        eet::Klient k;
        configure(k);
        c.setup(k);
        try {
            k.Prepare(true, c.number, c.time, "", c.total);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const eet::Chyba& e) {
            EXPECT_NE(std::string(e.what()).find(c.mention), std::string::npos) << e.what();
        }
        EXPECT_EQ(k.GetXML(), "") << c.what;
        EXPECT_EQ(k.GetPKP(), "") << c.what;
    }
}

TEST_F(Message, MessageOverTwelveKilobytesIsRefused)
{
    // A certificate with a large extension makes the token, and so the message, too big.
    std::string comment(9000, 'x');
    ASSERT_EQ(run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                   m_dir.file("big.key"), "-out", m_dir.file("big.crt"), "-subj", "/CN=CZ1212121218", "-days",
                   "30", "-addext", "nsComment=" + comment})
                  .status,
              0);
    ASSERT_EQ(run({"openssl", "pkcs12", "-export", "-inkey", m_dir.file("big.key"), "-in",
                   m_dir.file("big.crt"), "-passout", "pass:x", "-out", m_dir.file("big.p12")})
                  .status,
              0);
    eet::Klient k;
    configure(k);
    k.CertSb(m_dir.file("big.p12"));
    k.CertHeslo("x");
    try {
        k.Prepare(true, "1", "2016-08-05T00:30:12+02:00", "", "1.00");
        ADD_FAILURE() << "a message of " << k.GetXML().size() << " bytes was accepted";
    } catch (const eet::Chyba& e) {
        EXPECT_NE(std::string(e.what()).find("12 kB"), std::string::npos) << e.what();
    }
}

} // namespace
