// Cost of one EET registration: building and signing the message, the whole round trip to the
// local test service over loopback HTTP, and two RSA-2048 signatures alone (PKP and the XML
// signature), which is the floor for building and signing.

#include "eetclient/eetclient.h"

#include <benchmark/benchmark.h>
#include <openssl/pkcs12.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>

namespace
{

// A taxpayer certificate of our own in a temporary PKCS#12 file, so the benchmark needs no shared files.
class Fixture
{
  public:
    Fixture()
    {
        char tmpl[] = "/tmp/eetclient-bench-XXXXXX";
        m_dir = mkdtemp(tmpl);
        m_cert = eet::Certificate::generateSelfSigned("CZ1212121218", 30);
        PKCS12* p12 = PKCS12_create("bench", "bench", m_cert->key(), m_cert->cert(), nullptr, 0, 0, 0, 0, 0);
        FILE* f = std::fopen((m_dir + "/bench.p12").c_str(), "wb");
        i2d_PKCS12_fp(f, p12);
        std::fclose(f);
        PKCS12_free(p12);
        startService();
    }
    ~Fixture()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        std::filesystem::remove_all(m_dir);
    }
    void configure(eet::Klient& k) const
    {
        k.SetURL(m_url);
        k.SetTimeout(5000);
        k.DIC("CZ1212121218");
        k.CertSb(m_dir + "/bench.p12");
        k.CertHeslo("bench");
        k.IDProvoz("273");
        k.IDPokl("/5546/RO24");
        k.SetParam("T_Zakl_DPH1", "100.00");
        k.SetParam("T_DPH1", "21.00");
    }
    const eet::Certificate& cert() const { return *m_cert; }

  private:
    void startService()
    {
        std::string out = m_dir + "/service.out";
        m_pid = fork();
        if (m_pid == 0) {
            int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 1);
            execl(EET_TESTSERVICE, EET_TESTSERVICE, "--listen", "127.0.0.1:0", "--quiet", nullptr);
            _exit(127);
        }
        for (int i = 0; i < 500 && m_url.empty(); ++i) {
            std::ifstream in(out);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            auto pos = text.find("url ");
            if (pos != std::string::npos && text.find('\n', pos) != std::string::npos)
                m_url = text.substr(pos + 4, text.find('\n', pos) - pos - 4);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (m_url.empty())
            throw std::runtime_error("eet-testservice did not start");
    }

    std::string m_dir;
    std::string m_url;
    pid_t m_pid = -1;
    std::shared_ptr<const eet::Certificate> m_cert;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_TwoRsaSignatures(benchmark::State& state)
{
    const eet::Certificate& cert = fixture().cert();
    const std::string plain = "CZ1212121218|273|/5546/RO24|0/6460/ZQ42|2024-03-01T10:00:00+01:00|121.00";
    const std::string signedInfo(560, 's');
    for (auto _ : state) {
        benchmark::DoNotOptimize(cert.signSha256(plain));
        benchmark::DoNotOptimize(cert.signSha256(signedInfo));
    }
}
BENCHMARK(BM_TwoRsaSignatures)->Unit(benchmark::kMicrosecond);

void BM_BuildAndSign(benchmark::State& state)
{
    eet::Klient k;
    fixture().configure(k);
    for (auto _ : state) {
        k.Prepare(true, "0/6460/ZQ42", "2024-03-01T10:00:00+01:00", "2024-03-01T10:00:01+01:00", "121.00");
        benchmark::DoNotOptimize(k.GetXML().size());
    }
}
BENCHMARK(BM_BuildAndSign)->Unit(benchmark::kMicrosecond);

void BM_RoundTripLoopbackHttp(benchmark::State& state)
{
    eet::Klient k;
    fixture().configure(k);
    for (auto _ : state) {
        if (!k.Send(true, "0/6460/ZQ42", "2024-03-01T10:00:00+01:00", "", "121.00")) {
            state.SkipWithError(k.GetError().c_str());
            break;
        }
    }
}
BENCHMARK(BM_RoundTripLoopbackHttp)->Unit(benchmark::kMicrosecond);

} // namespace
