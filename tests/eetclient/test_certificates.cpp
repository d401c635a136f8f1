#include "support.h"

#include "eetclient/eetclient.h"

#include <gtest/gtest.h>

namespace
{

using eettest::run;

std::string expectChyba(const std::string& path, const std::string& password)
{
    try {
        eet::inspectCertificate(path, password);
    } catch (const eet::Chyba& e) {
        return e.what();
    }
    ADD_FAILURE() << "no error for " << path;
    return {};
}

TEST(Certificates, PlaygroundCertificatesLoad)
{
    REQUIRE_SHARED_EET();
    for (const char* dic : {"CZ00000019", "CZ1212121218", "CZ683555118"}) {
        eet::CertificateInfo info = eet::inspectCertificate(eettest::playgroundCert(dic), "eet");
        EXPECT_EQ(info.dic, dic);
        EXPECT_NE(info.issuer.find("EET CA 1 Playground"), std::string::npos) << info.issuer;
        EXPECT_EQ(info.notAfter.substr(0, 8), "2022-08-") << info.notAfter;
        EXPECT_TRUE(info.expired);
    }
}

class MadeCertificates : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        REQUIRE_SHARED_EET();
        // Key and certificate of a playground file, re-packed by the openssl command line.
        ASSERT_EQ(run({"openssl", "pkcs12", "-legacy", "-in", eettest::playgroundCert("CZ00000019"),
                       "-passin", "pass:eet", "-nodes", "-out", m_dir.file("all.pem")})
                      .status,
                  0);
    }
    std::string make(const std::string& name, std::vector<std::string> extra)
    {
        std::vector<std::string> argv = {
            "openssl",  "pkcs12",     "-export", "-in",           m_dir.file("all.pem"),
            "-passout", "pass:tajne", "-out",    m_dir.file(name)};
        argv.insert(argv.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(argv).status, 0) << name;
        return m_dir.file(name);
    }
    eettest::TempDir m_dir;
};

TEST_F(MadeCertificates, LegacyRc2FileLoads)
{
    std::string path = make("legacy.p12", {"-legacy"});
    // Make sure the file really uses RC2-40 for the certificate bag.
    auto info = run({"openssl", "pkcs12", "-legacy", "-info", "-noout", "-in", path, "-passin", "pass:tajne"},
                    {}, true);
    ASSERT_NE(info.out.find("RC2"), std::string::npos) << info.out;
    auto cert = eet::Certificate::load(path, "tajne");
    EXPECT_EQ(cert->info().dic, "CZ00000019");
    EXPECT_EQ(cert->signSha256("x").size(), 256u);
}

TEST_F(MadeCertificates, ClearCzechErrors)
{
    std::string good = make("modern.p12", {});
    std::string noKey = make("nokey.p12", {"-nokeys"});
    eettest::writeFile(m_dir.file("garbage.p12"), "this is not a PKCS#12 file");

    EXPECT_NE(expectChyba(good, "spatne").find("Chybné heslo"), std::string::npos);
    EXPECT_NE(expectChyba(m_dir.file("missing.p12"), "tajne").find("nenalezen"), std::string::npos);
    EXPECT_NE(expectChyba(noKey, "tajne").find("neobsahuje soukromý klíč"), std::string::npos);
    EXPECT_NE(expectChyba(m_dir.file("garbage.p12"), "tajne").find("PKCS#12"), std::string::npos);
    EXPECT_NE(expectChyba("", "tajne").find("Není zadán"), std::string::npos);
    EXPECT_EQ(eet::inspectCertificate(good, "tajne").dic, "CZ00000019");
}

TEST(Certificates, DemoCertificateFromScript)
{
    const auto& demo = eettest::demoCert();
    eet::CertificateInfo info = eet::inspectCertificate(demo.p12, "demo");
    EXPECT_EQ(info.dic, "CZ1212121218");
    EXPECT_FALSE(info.expired);
    EXPECT_NE(info.issuer.find("EET CA Demo"), std::string::npos);
    // The script keeps what it made.
    std::string before = eettest::readFile(demo.p12);
    auto again =
        run({"sh", VORNIX_MAKE_DEMO_CERT, demo.p12.substr(0, demo.p12.rfind('/')), "CZ1212121218", "demo"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(eettest::readFile(demo.p12), before);
}

} // namespace
