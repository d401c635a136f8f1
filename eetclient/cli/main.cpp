// Command-line tool of the EET client component: compute PKP/BKP, print a signed message,
// register a sale, check a saved answer, inspect a certificate.

#include "eetclient/answer.h"
#include "eetclient/eetclient.h"
#include "eetclient/formats.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const char* kUsage =
    "použití:\n"
    "  eetclient codes   --cert FILE --password PW --dic DIC --provoz N --pokl ID --porad NUM\n"
    "                    --time DATETIME --total AMOUNT\n"
    "  eetclient message (volby jako codes) [--sent DATETIME] [--uuid UUID] [--repeat] [--verify-mode]\n"
    "                    [--simplified] [--param NAME=VALUE]...\n"
    "  eetclient send    --url URL (volby jako message) [--timeout MS] [--cafile PEM] [--strict]\n"
    "  eetclient answer  FILE\n"
    "  eetclient cert    --cert FILE --password PW\n";

struct Options {
    std::map<std::string, std::string> values;
    std::vector<std::string> params;
    std::vector<std::string> positional;
    bool repeat = false, verify = false, simplified = false, strict = false;
};

int usage(const std::string& message)
{
    if (!message.empty())
        std::cerr << "eetclient: " << message << "\n";
    std::cerr << kUsage;
    return 2;
}

bool parse(int argc, char** argv, Options& o, std::string& error)
{
    static const char* withValue[] = {"--cert",  "--password", "--dic",   "--provoz", "--pokl",
                                      "--porad", "--time",     "--total", "--sent",   "--uuid",
                                      "--url",   "--timeout",  "--cafile"};
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--repeat")
            o.repeat = true;
        else if (a == "--verify-mode")
            o.verify = true;
        else if (a == "--simplified")
            o.simplified = true;
        else if (a == "--strict")
            o.strict = true;
        else if (a == "--param") {
            if (i + 1 >= argc) {
                error = "--param potřebuje NAME=VALUE";
                return false;
            }
            o.params.push_back(argv[++i]);
        } else if (a.rfind("--", 0) == 0) {
            bool known = false;
            for (const char* w : withValue)
                known = known || a == w;
            if (!known) {
                error = "neznámá volba " + a;
                return false;
            }
            if (i + 1 >= argc) {
                error = a + " potřebuje hodnotu";
                return false;
            }
            o.values[a] = argv[++i];
        } else
            o.positional.push_back(a);
    }
    return true;
}

std::string need(const Options& o, const std::string& name)
{
    auto it = o.values.find(name);
    if (it == o.values.end())
        throw std::invalid_argument("chybí volba " + name);
    return it->second;
}

std::string opt(const Options& o, const std::string& name)
{
    auto it = o.values.find(name);
    return it == o.values.end() ? std::string() : it->second;
}

void printLines(const std::string& key, const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        std::cout << key << "=" << line << "\n";
}

void configure(eet::Klient& k, const Options& o)
{
    k.CertSb(need(o, "--cert"));
    k.CertHeslo(opt(o, "--password"));
    k.DIC(need(o, "--dic"));
    k.IDProvoz(need(o, "--provoz"));
    k.IDPokl(need(o, "--pokl"));
    k.SetMode(o.simplified ? 1 : 0);
    k.SetVerification(o.verify);
    k.SetSwitch(o.strict);
    k.SetUUID(opt(o, "--uuid"));
    for (const std::string& p : o.params) {
        auto eq = p.find('=');
        if (eq == std::string::npos || k.SetParam(p.substr(0, eq), p.substr(eq + 1)) != 0)
            throw std::invalid_argument("neznámý parametr " + p.substr(0, eq) +
                                        " (T_Zakl_DPH0 … T_Cerp_Zuct)");
    }
}

int run(const std::string& command, const Options& o)
{
    if (command == "cert") {
        eet::CertificateInfo info = eet::inspectCertificate(need(o, "--cert"), opt(o, "--password"));
        std::cout << "dic=" << info.dic << "\nsubject=" << info.subject << "\nissuer=" << info.issuer
                  << "\nnot_before=" << info.notBefore << "\nnot_after=" << info.notAfter
                  << "\nexpired=" << (info.expired ? "yes" : "no") << "\n";
        return 0;
    }
    if (command == "answer") {
        if (o.positional.size() != 1)
            throw std::invalid_argument("answer potřebuje právě jeden soubor");
        std::ifstream in(o.positional[0], std::ios::binary);
        if (!in)
            throw eet::Chyba("Soubor nelze otevřít: " + o.positional[0]);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        eet::AnswerOutcome out = eet::evaluateAnswer(eet::parseAnswer(text), nullptr, nullptr);
        if (!out.fik.empty()) {
            std::cout << "fik=" << out.fik << "\nreceived=" << out.receivedAt << "\n";
            printLines("warning", out.error);
            return 0;
        }
        printLines("error", out.error);
        return 1;
    }
    if (command != "codes" && command != "message" && command != "send")
        throw std::invalid_argument("neznámý příkaz " + command);

    eet::Klient k;
    configure(k, o);
    const std::string porad = need(o, "--porad"), time = need(o, "--time"), total = need(o, "--total");
    if (command == "send") {
        k.SetURL(need(o, "--url"));
        if (!opt(o, "--timeout").empty())
            k.SetTimeout(std::atoi(opt(o, "--timeout").c_str()));
        k.SetCAFile(opt(o, "--cafile"));
        bool ok = k.Send(!o.repeat, porad, time, opt(o, "--sent"), total);
        if (ok) {
            std::cout << "fik=" << k.GetFIK() << "\nreceived=" << k.GetReceivedAt() << "\n";
            printLines("warning", k.GetError());
        } else
            printLines("error", k.GetError());
        std::cout << "uuid=" << k.GetUUID() << "\nbkp=" << k.GetBKP() << "\n";
        return ok ? 0 : 1;
    }
    k.Prepare(!o.repeat, porad, time, opt(o, "--sent"), total);
    if (command == "codes")
        std::cout << "pkp=" << k.GetPKP() << "\nbkp=" << k.GetBKP() << "\n";
    else
        std::cout << k.GetXML();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage({});
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    Options o;
    std::string error;
    if (!parse(argc, argv, o, error))
        return usage(error);
    try {
        return run(command, o);
    } catch (const std::invalid_argument& e) {
        return usage(e.what());
    } catch (const std::exception& e) {
        printLines("error", e.what());
        return 1;
    }
}
