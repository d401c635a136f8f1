#include "support.h"

#include "eetclient/answer.h"
#include "eetclient/eetclient.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

using eettest::run;

const char* kFik = "19468188-f3a0-47a3-932a-46bcf8ef4041-fa";
const char* kUuid = "e0e80d09-1a19-45da-91d0-56121088ed49";
const char* kBkp = "36FA2953-0E365CE7-5829441B-8CAFFB11-A89C7372";

class Answers : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        REQUIRE_SHARED_EET();
        m_accepted = eettest::readFile(eettest::sharedEet() + "/responses/accepted.xml");
        m_rejected = eettest::readFile(eettest::sharedEet() + "/responses/rejected-temporary.xml");
        ASSERT_FALSE(m_accepted.empty());
    }
    static std::string replaced(const std::string& text, const std::string& pattern, const std::string& with)
    {
        std::string out =
            std::regex_replace(text, std::regex(pattern), with, std::regex_constants::format_first_only);
        EXPECT_NE(out, text) << pattern;
        return out;
    }
    std::string m_accepted, m_rejected;
};

TEST_F(Answers, RealConfirmationIsAccepted)
{
    eet::Answer a = eet::parseAnswer(m_accepted);
    EXPECT_EQ(a.signature, eet::SignatureState::Valid) << a.signatureProblem;
    std::string uuid = kUuid, bkp = kBkp;
    eet::AnswerOutcome out = eet::evaluateAnswer(a, &uuid, &bkp);
    EXPECT_EQ(out.fik, kFik);
    EXPECT_EQ(out.receivedAt, "2021-09-27T10:39:03+02:00");
    EXPECT_EQ(out.error, "");
}

TEST_F(Answers, RealTemporaryErrorGivesCodeAndText)
{
    eet::AnswerOutcome out = eet::evaluateAnswer(eet::parseAnswer(m_rejected), nullptr, nullptr);
    EXPECT_EQ(out.fik, "");
    EXPECT_EQ(out.error.rfind("Chyba -1: Docasna technicka chyba zpracovani", 0), 0u) << out.error;
}

TEST_F(Answers, TamperedConfirmationsAreRefused)
{
    const std::string swappedCert =
        eet::Certificate::load(eettest::playgroundCert("CZ00000019"), "eet")->derBase64();
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"changed digest", replaced(m_accepted, "<DigestValue>jM2H", "<DigestValue>AM2H")},
        {"changed signature", replaced(m_accepted, "<SignatureValue>FtOT", "<SignatureValue>GtOT")},
        {"reference to the token",
         replaced(m_accepted, "Reference URI=\"#Body-[^\"]+\"",
                  "Reference URI=\"#SecurityToken-9552fc45-1c1f-42c5-a57c-46bcf8ef9161\"")},
        {"reference to nothing", replaced(m_accepted, "Reference URI=\"#Body-", "Reference URI=\"#Other-")},
        {"key reference elsewhere",
         replaced(m_accepted, "wsse:Reference URI=\"#SecurityToken-", "wsse:Reference URI=\"#Elsewhere-")},
        {"swapped certificate", replaced(m_accepted, "(BinarySecurityToken[^>]*>)[^<]+", "$1" + swappedCert)},
        {"changed FIK", replaced(m_accepted, "fik=\"19468188", "fik=\"29468188")},
        {"changed receipt time",
         replaced(m_accepted, "dat_prij=\"2021-09-27T10", "dat_prij=\"2021-09-27T11")},
        {"signature removed", replaced(m_accepted, "<Signature [\\s\\S]*</Signature>", "")},
        {"second body id", replaced(m_accepted, "<eet:Potvrzeni ",
                                    "<eet:Potvrzeni xml:id=\"Body-6c685211-c41e-479a-a87b-46bcf8efe914\" ")},
    };
    for (const auto& [what, text] : cases) {
        eet::AnswerOutcome out = eet::evaluateAnswer(eet::parseAnswer(text), nullptr, nullptr);
        EXPECT_EQ(out.fik, "") << what;
        EXPECT_NE(out.error.find("podvržená"), std::string::npos) << what << ": " << out.error;
    }
}

TEST_F(Answers, ConfirmationOfAnotherMessageIsRefused)
{
    eet::Answer a = eet::parseAnswer(m_accepted);
    std::string otherUuid = "e0e80d09-1a19-45da-91d0-56121088ed40", uuid = kUuid;
    std::string otherBkp = "36FA2953-0E365CE7-5829441B-8CAFFB11-A89C7370", bkp = kBkp;
    auto wrongUuid = eet::evaluateAnswer(a, &otherUuid, &bkp);
    EXPECT_EQ(wrongUuid.fik, "");
    EXPECT_NE(wrongUuid.error.find("nepatří"), std::string::npos) << wrongUuid.error;
    auto wrongBkp = eet::evaluateAnswer(a, &uuid, &otherBkp);
    EXPECT_EQ(wrongBkp.fik, "");
    EXPECT_NE(wrongBkp.error.find("BKP"), std::string::npos) << wrongBkp.error;
}

TEST(AnswerShape, MalformedAnswersAndWarnings)
{
    auto service = eet::Certificate::generateSelfSigned("test", 1);
    const std::string head = std::string("<eet:Odpoved xmlns:eet=\"") + eet::ns::kEet +
                             "\"><eet:Hlavicka uuid_zpravy=\"e0e80d09-1a19-45da-91d0-56121088ed49\" "
                             "bkp=\"36FA2953-0E365CE7-5829441B-8CAFFB11-A89C7372\" "
                             "dat_prij=\"2021-09-27T10:39:03+02:00\"/>";
    const std::string potvrzeni =
        "<eet:Potvrzeni fik=\"19468188-f3a0-47a3-932a-46bcf8ef4041-fa\" test=\"true\"/>";

    // Warnings are reported while the FIK is kept.
    auto warned = eet::evaluateAnswer(
        eet::parseAnswer(eet::signEnvelope(
            head + potvrzeni + "<eet:Varovani kod_varov=\"1\">DIC se neshoduje</eet:Varovani></eet:Odpoved>",
            *service)),
        nullptr, nullptr);
    EXPECT_EQ(warned.fik, kFik);
    EXPECT_EQ(warned.error, "Varování 1: DIC se neshoduje");

    const std::vector<std::pair<const char*, std::string>> malformed = {
        {"not XML", "<soap:Envelope"},
        {"empty", ""},
        {"no envelope", "<a/>"},
        {"both outcomes",
         eet::signEnvelope(head + potvrzeni + "<eet:Chyba kod=\"3\">x</eet:Chyba></eet:Odpoved>", *service)},
        {"bad FIK", eet::signEnvelope(head + "<eet:Potvrzeni fik=\"123\"/></eet:Odpoved>", *service)},
        {"doctype", "<!DOCTYPE x [<!ENTITY e \"y\">]><x>&e;</x>"},
    };
    for (const auto& [what, text] : malformed) {
        auto out = eet::evaluateAnswer(eet::parseAnswer(text), nullptr, nullptr);
        EXPECT_EQ(out.fik, "") << what;
        EXPECT_EQ(out.error.rfind("Chybná odpověď serveru EET", 0), 0u) << what << ": " << out.error;
    }
}

TEST_F(Answers, CommandLineAnswer)
{
    eettest::TempDir dir;
    auto accepted = run({EET_CLI, "answer", eettest::sharedEet() + "/responses/accepted.xml"});
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(accepted.out, std::string("fik=") + kFik + "\nreceived=2021-09-27T10:39:03+02:00\n");

    auto rejected = run({EET_CLI, "answer", eettest::sharedEet() + "/responses/rejected-temporary.xml"});
    EXPECT_EQ(rejected.status, 1);
    EXPECT_EQ(rejected.out.rfind("error=Chyba -1: ", 0), 0u) << rejected.out;

    eettest::writeFile(dir.file("forged.xml"), replaced(m_accepted, "fik=\"19468188", "fik=\"29468188"));
    auto forged = run({EET_CLI, "answer", dir.file("forged.xml")});
    EXPECT_EQ(forged.status, 1);
    EXPECT_EQ(forged.out.find("fik="), std::string::npos);
    EXPECT_NE(forged.out.find("podvržená"), std::string::npos) << forged.out;
}

} // namespace
