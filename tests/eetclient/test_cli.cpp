#include "support.h"

#include <gtest/gtest.h>

namespace
{

using eettest::run;

std::vector<std::string> saleArgs(const std::string& command)
{
    return {EET_CLI,      command,       "--cert", eettest::playgroundCert("CZ1212121218"),
            "--password", "eet",         "--dic",  "CZ1212121218",
            "--provoz",   "273",         "--pokl", "/5546/RO24",
            "--porad",    "0/6460/ZQ42", "--time", "2016-08-05T00:30:12+02:00",
            "--total",    "34113.00"};
}

class Cli : public ::testing::Test
{
  protected:
    void SetUp() override { REQUIRE_SHARED_EET(); }
};

TEST_F(Cli, MessageHonoursItsOptions)
{
    auto args = saleArgs("message");
    for (const char* a :
         {"--sent", "2016-08-05T00:30:15+02:00", "--uuid", "b3a09b52-7c87-4014-a496-4c7a53cf9120", "--repeat",
          "--verify-mode", "--simplified", "--param", "T_Zakl_DPH1=28193.00", "--param", "T_DPH1=5920.00"})
        args.push_back(a);
    auto r = run(args);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* expected :
         {"uuid_zpravy=\"b3a09b52-7c87-4014-a496-4c7a53cf9120\"", "dat_odesl=\"2016-08-05T00:30:15+02:00\"",
          "prvni_zaslani=\"false\"", "overeni=\"true\"", "rezim=\"1\"", "zakl_dan1=\"28193.00\"",
          "dan1=\"5920.00\"", "<ds:SignatureValue>"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected;

    auto unknown = run({EET_CLI, "message", "--param", "T_X=1"});
    EXPECT_EQ(unknown.status, 2);
}

TEST_F(Cli, SendPrintsFikAndExitsZeroOnlyWithIt)
{
    eettest::TestService service;
    auto args = saleArgs("send");
    args.insert(args.end(), {"--url", service.url()});
    auto ok = run(args);
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_EQ(ok.out.rfind("fik=", 0), 0u) << ok.out;
    EXPECT_NE(ok.out.find("\nreceived="), std::string::npos) << ok.out;

    auto failing = saleArgs("send");
    failing.insert(failing.end(), {"--url", "http://127.0.0.1:" + std::to_string(eettest::closedPort()) + "/",
                                   "--timeout", "1000"});
    auto refused = run(failing);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out.rfind("error=Server EET odmítl spojení", 0), 0u) << refused.out;
}

TEST_F(Cli, CertPrintsDicValidityAndIssuer)
{
    auto r = run({EET_CLI, "cert", "--cert", eettest::playgroundCert("CZ683555118"), "--password", "eet"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("dic=CZ683555118\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("not_after=2022-08-08T19:25:18Z\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("issuer=CN=EET CA 1 Playground"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("expired=yes"), std::string::npos) << r.out;

    auto wrong = run({EET_CLI, "cert", "--cert", eettest::playgroundCert("CZ683555118"), "--password", "x"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out.rfind("error=Chybné heslo", 0), 0u) << wrong.out;
}

TEST(CliUsage, UnknownCommandOrOptionIsAUsageError)
{
    EXPECT_EQ(run({EET_CLI}).status, 2);
    EXPECT_EQ(run({EET_CLI, "frobnicate"}).status, 2);
    EXPECT_EQ(run({EET_CLI, "codes", "--nonsense", "1"}).status, 2);
    EXPECT_EQ(run({EET_CLI, "codes", "--cert", "x.p12"}).status, 2); // required options missing
}

} // namespace
