#include "eetclient/eetclient.h"
#include "eetclient/formats.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>

namespace
{

struct FieldCase {
    const char* field;
    std::function<std::string(std::string_view)> check;
    std::vector<const char*> good;
    std::vector<const char*> bad;
};

TEST(Formats, EachFieldAcceptsGoodAndRefusesBadValues)
{
    const std::vector<FieldCase> cases = {
        {"dic_popl",
         [](std::string_view v) { return eet::checkDic(v); },
         {"CZ12345678", "CZ123456789", "CZ1234567890", "CZ00000019"},
         {"", "CZ1234567", "CZ12345678901", "cz12345678", "SK12345678", "CZ1234567a", "CZ 12345678"}},
        {"id_provoz",
         [](std::string_view v) { return eet::checkIdProvoz(v); },
         {"1", "273", "999999"},
         {"", "0", "1000000", "-1", "12a", "01", " 1"}},
        {"id_pokl",
         [](std::string_view v) { return eet::checkIdPokl(v); },
         {"A", "/5546/RO24", "abc.,:;/#-_ XYZ09", "12345678901234567890"},
         {"", "123456789012345678901", "Pokladna č.1", "a+b", "a*b", "tab\tx"}},
        {"porad_cis",
         [](std::string_view v) { return eet::checkPoradCis(v); },
         {"1", "0/6460/ZQ42", "24-0001", "1234567890123456789012345"},
         {"", "12345678901234567890123456", "č1", "a@b", "a\"b"}},
        {"celk_trzba",
         [](std::string_view v) { return eet::checkAmount(v, "celk_trzba"); },
         {"0.00", "0.01", "-0.01", "-0.50", "150.00", "-150.00", "99999999.99", "-99999999.99", "12.30"},
         {"-0.00", "", "150", "150.0", "150.000", "0150.00", "100000000.00", "-100000000.00", "1,50", "+1.00",
          "1.5e2", " 1.00", "00.00"}},
        {"dat_trzby",
         [](std::string_view v) { return eet::checkDateTime(v, "dat_trzby"); },
         {"2016-08-05T00:30:12+02:00", "2024-01-31T23:59:59+01:00", "2024-02-29T00:00:00-05:30",
          "2024-03-01T10:00:00Z"},
         {"2016-08-05 00:30:12+02:00", "2016-08-05T00:30:12", "2023-02-29T10:00:00+01:00",
          "2016-13-05T00:30:12+02:00", "2016-08-05T24:00:00+02:00", "2016-08-05T00:30:12.5+02:00",
          "2016-08-05T00:30:12+0200", "16-08-05T00:30:12+02:00"}},
        {"uuid_zpravy",
         [](std::string_view v) { return eet::checkUuid(v); },
         {"e0e80d09-1a19-45da-91d0-56121088ed49", "E0E80D09-1A19-45DA-B1D0-56121088ED49"},
         {"", "e0e80d09-1a19-65da-91d0-56121088ed49", "e0e80d09-1a19-45da-71d0-56121088ed49",
          "e0e80d091a1945da91d056121088ed49", "g0e80d09-1a19-45da-91d0-56121088ed49"}},
        {"bkp",
         [](std::string_view v) { return eet::checkBkp(v); },
         {"36FA2953-0E365CE7-5829441B-8CAFFB11-A89C7372"},
         {"36FA2953-0E365CE7-5829441B-8CAFFB11-A89C737", "36FA29530E365CE75829441B8CAFFB11A89C7372",
          "36FA2953-0E365CE7-5829441B-8CAFFB11-A89C737Z"}},
        {"fik",
         [](std::string_view v) { return eet::checkFik(v); },
         {"19468188-f3a0-47a3-932a-46bcf8ef4041-fa"},
         {"19468188-f3a0-37a3-932a-46bcf8ef4041-fa", "19468188-f3a0-47a3-932a-46bcf8ef4041",
          "19468188-f3a0-47a3-932a-46bcf8ef4041-fax"}},
    };
    for (const auto& c : cases) {
        for (const char* v : c.good)
            EXPECT_EQ(c.check(v), "") << c.field << " should accept \"" << v << "\"";
        for (const char* v : c.bad) {
            std::string error = c.check(v);
            EXPECT_NE(error, "") << c.field << " should refuse \"" << v << "\"";
        }
    }
}

TEST(Formats, ErrorTextNamesTheField)
{
    EXPECT_NE(eet::checkAmount("-0.00", "dan1").find("dan1"), std::string::npos);
    EXPECT_NE(eet::checkIdPokl("").find("id_pokl"), std::string::npos);
    EXPECT_NE(eet::checkPoradCis("").find("porad_cis"), std::string::npos);
    EXPECT_NE(eet::checkDic("X").find("dic_popl"), std::string::npos);
    EXPECT_NE(eet::checkIdProvoz("0").find("id_provoz"), std::string::npos);
}

TEST(Formats, AmountsAreNormalisedToTwoDecimalsWithoutNegativeZero)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"150", "150.00"},    {"150.5", "150.50"},
        {"-150", "-150.00"},  {"0", "0.00"},
        {"-0.00", "0.00"},    {"-0", "0.00"},
        {"007.10", "7.10"},   {"1,25", "1.25"},
        {" 12.34 ", "12.34"}, {"99999999.99", "99999999.99"},
        {"-0.01", "-0.01"},   {"+5", "5.00"},
    };
    for (const auto& [in, out] : cases) {
        auto v = eet::normalizeAmount(in);
        ASSERT_TRUE(v.has_value()) << in;
        EXPECT_EQ(*v, out) << in;
        EXPECT_EQ(eet::checkAmount(*v, "x"), "") << in;
    }
    for (const char* bad :
         {"", "abc", "1.234", "100000000", "-100000000.00", "1.", ".5", "1 000", "1e3", "--1"})
        EXPECT_FALSE(eet::normalizeAmount(bad).has_value()) << bad;
}

class PragueTime : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        m_oldTz = old ? old : "";
        m_hadTz = old != nullptr;
        setenv("TZ", "Europe/Prague", 1);
        tzset();
    }
    void TearDown() override
    {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::string m_oldTz;
    bool m_hadTz = false;
};

TEST_F(PragueTime, TimesWithoutOffsetGetTheRealOffsetOfThatInstant)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"2024-01-15T10:00:00", "2024-01-15T10:00:00+01:00"},       // winter
        {"2024-07-15 10:00:00", "2024-07-15T10:00:00+02:00"},       // summer, space instead of T
        {"2024-03-31T01:59:59", "2024-03-31T01:59:59+01:00"},       // just before the switch
        {"2024-03-31T03:00:00", "2024-03-31T03:00:00+02:00"},       // just after it
        {"2024-10-27T04:00:00", "2024-10-27T04:00:00+01:00"},       // back in winter time
        {"2016-08-05T00:30:12+02:00", "2016-08-05T00:30:12+02:00"}, // explicit offset is kept
        {"2024-01-15T10:00:00+05:30", "2024-01-15T10:00:00+05:30"},
        {"2024-01-15T10:00:00Z", "2024-01-15T10:00:00+00:00"},
    };
    for (const auto& [in, out] : cases) {
        auto v = eet::normalizeDateTime(in);
        ASSERT_TRUE(v.has_value()) << in;
        EXPECT_EQ(*v, out) << in;
    }
    for (const char* bad : {"", "2024-02-30T10:00:00", "2024-01-15", "2024-01-15T25:00:00",
                            "15.01.2024 10:00:00", "2024-01-15T10:00:00+1"})
        EXPECT_FALSE(eet::normalizeDateTime(bad).has_value()) << bad;
}

TEST_F(PragueTime, LocalDateTimeCarriesSummerOffset)
{
    EXPECT_EQ(eet::localDateTime(1720000000), "2024-07-03T11:46:40+02:00");
    EXPECT_EQ(eet::localDateTime(1704067200), "2024-01-01T01:00:00+01:00");
}

TEST(Formats, Utf8Check)
{
    EXPECT_TRUE(eet::isValidUtf8("Příliš žluťoučký kůň"));
    EXPECT_FALSE(eet::isValidUtf8("\xc3"));
    EXPECT_FALSE(eet::isValidUtf8("a\xe9z"));       // Latin-1 é
    EXPECT_FALSE(eet::isValidUtf8("\xc0\xaf"));     // overlong
    EXPECT_FALSE(eet::isValidUtf8("\xed\xa0\x80")); // surrogate
}

TEST(Klient, SetParamKnowsTheThirteenNamesOnly)
{
    eet::Klient k;
    for (const auto& [name, attr] : eet::Klient::kParams)
        EXPECT_EQ(k.SetParam(name, "1.00"), 0) << name;
    for (const char* unknown : {"", "T_DPH4", "t_dph1", "zakl_dan1", "T_Zakl_DPH"})
        EXPECT_NE(k.SetParam(unknown, "1.00"), 0) << unknown;
}

} // namespace
