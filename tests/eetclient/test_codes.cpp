#include "support.h"

#include "eetclient/eetclient.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>

namespace
{

using eettest::run;

struct CodeCase {
    const char* dic;
    const char* premises;
    const char* registerId;
    const char* number;
    const char* saleTime;
    const char* total;
    const char* expectedPlain;
};

const CodeCase kCases[] = {
    {"CZ00000019", "273", "/5546/RO24", "0/6460/ZQ42", "2016-08-05T00:30:12+02:00", "34113.00",
     "CZ00000019|273|/5546/RO24|0/6460/ZQ42|2016-08-05T00:30:12+02:00|34113.00"},
    {"CZ1212121218", "1", "1", "24-0001", "2024-07-15T10:00:00", "150",
     "CZ1212121218|1|1|24-0001|2024-07-15T10:00:00+02:00|150.00"},
    {"CZ683555118", "0011", "POK 1", "A.B:C;D#E_F", "2024-01-15 08:00:00", "-150",
     "CZ683555118|11|POK 1|A.B:C;D#E_F|2024-01-15T08:00:00+01:00|-150.00"},
    {"CZ1212121218", "999999", "12345678901234567890", "1234567890123456789012345",
     "2024-03-01T10:00:00-05:00", "0.5",
     "CZ1212121218|999999|12345678901234567890|1234567890123456789012345|2024-03-01T10:00:00-05:00|0.50"},
    {"CZ00000019", "5", "K", "1", "2024-12-31T23:59:59", "-0.00",
     "CZ00000019|5|K|1|2024-12-31T23:59:59+01:00|0.00"},
};

class Codes : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        REQUIRE_SHARED_EET();
        setenv("TZ", "Europe/Prague", 1);
        tzset();
    }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }
    // The taxpayer's key, taken out of the PKCS#12 file by the openssl command line.
    std::string keyFile(const std::string& dic)
    {
        std::string path = m_dir.file(dic + ".key");
        if (!m_keys.count(dic)) {
            auto r = run({"openssl", "pkcs12", "-legacy", "-in", eettest::playgroundCert(dic), "-passin",
                          "pass:eet", "-nocerts", "-nodes", "-out", path});
            EXPECT_EQ(r.status, 0);
            m_keys[dic] = path;
        }
        return path;
    }
    // PKP and BKP of the plain text, computed by the openssl command line alone.
    std::pair<std::string, std::string> opensslCodes(const std::string& dic, const std::string& plain)
    {
        std::string sig = m_dir.file("sig.bin");
        EXPECT_EQ(run({"openssl", "dgst", "-sha256", "-sign", keyFile(dic), "-out", sig}, plain).status, 0);
        std::string pkp = run({"openssl", "base64", "-A", "-in", sig}).out;
        std::string sha1 = run({"openssl", "dgst", "-sha1", "-r", sig}).out.substr(0, 40);
        std::string bkp;
        for (std::size_t i = 0; i < 40; i += 8)
            bkp += (i ? "-" : "") + sha1.substr(i, 8);
        for (char& c : bkp)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return {pkp, bkp};
    }
    eettest::TempDir m_dir;
    std::map<std::string, std::string> m_keys;
};

TEST_F(Codes, PkpAndBkpMatchOpensslCommandLine)
{
    for (const CodeCase& c : kCases) {
        eet::Klient k;
        k.DIC(c.dic);
        k.CertSb(eettest::playgroundCert(c.dic));
        k.CertHeslo("eet");
        k.IDProvoz(c.premises);
        k.IDPokl(c.registerId);
        k.Prepare(true, c.number, c.saleTime, "2024-01-01T00:00:00+01:00", c.total);
        EXPECT_EQ(k.GetPKPPlain(), c.expectedPlain);
        auto [pkp, bkp] = opensslCodes(c.dic, c.expectedPlain);
        EXPECT_EQ(k.GetPKP(), pkp) << c.expectedPlain;
        EXPECT_EQ(k.GetBKP(), bkp) << c.expectedPlain;
        EXPECT_EQ(k.GetPKP().size(), 344u);
    }
}

TEST_F(Codes, CommandLineToolPrintsTheSameCodes)
{
    const CodeCase& c = kCases[0];
    auto r = run({EET_CLI, "codes", "--cert", eettest::playgroundCert(c.dic), "--password", "eet", "--dic",
                  c.dic, "--provoz", c.premises, "--pokl", c.registerId, "--porad", c.number, "--time",
                  c.saleTime, "--total", c.total});
    ASSERT_EQ(r.status, 0) << r.out;
    auto [pkp, bkp] = opensslCodes(c.dic, c.expectedPlain);
    EXPECT_EQ(r.out, "pkp=" + pkp + "\nbkp=" + bkp + "\n");
}

} // namespace
