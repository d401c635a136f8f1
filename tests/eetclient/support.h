#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace eettest
{

// Folder with the public EET test material, or empty when it is absent.
std::string sharedEet();

#define REQUIRE_SHARED_EET()                                                                                 \
    do {                                                                                                     \
        if (::eettest::sharedEet().empty())                                                                  \
            GTEST_SKIP() << "../shared/eet (or $VORNIX_SHARED_EET) is absent: EET test material not found";  \
    } while (0)

std::string playgroundCert(const std::string& dic); // path of EET_CA1_Playground-<dic>.p12

struct CommandResult {
    int status = -1; // exit status, -1 when it did not exit normally
    std::string out;
};
// Runs a program without a shell; stdin is empty, stderr is discarded unless errToOut.
CommandResult run(const std::vector<std::string>& argv, const std::string& input = {}, bool errToOut = false);

class TempDir
{
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

// A demo taxpayer certificate and CA made by scripts/make-demo-cert.sh, once per test run.
struct DemoCert {
    std::string p12;
    std::string ca;
};
const DemoCert& demoCert();

// The local EET test service as a child process on a free loopback port.
class TestService
{
  public:
    explicit TestService(std::vector<std::string> args = {});
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;
    const std::string& url() const { return m_url; }
    int port() const { return m_port; }
    // Requests the service has logged so far.
    int requestCount() const;

  private:
    int m_pid = -1;
    int m_port = 0;
    std::string m_url;
    TempDir m_dir;
};

// A loopback port where nothing listens.
int closedPort();

} // namespace eettest
