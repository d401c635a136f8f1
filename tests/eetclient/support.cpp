#include "support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace eettest
{

std::string sharedEet()
{
    const char* env = std::getenv("VORNIX_SHARED_EET");
    std::string dir = env && *env ? env : VORNIX_SHARED_EET_DEFAULT;
    struct stat st {
    };
    if (::stat((dir + "/EETXMLSchema.xsd").c_str(), &st) != 0)
        return {};
    return dir;
}

std::string playgroundCert(const std::string& dic)
{
    return sharedEet() + "/playground/EET_CA1_Playground-" + dic + ".p12";
}

namespace
{

pid_t spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd, int stderrFd)
{
    pid_t pid = fork();
    if (pid == 0) {
        dup2(stdinFd, 0);
        dup2(stdoutFd, 1);
        dup2(stderrFd, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

} // namespace

CommandResult run(const std::vector<std::string>& argv, const std::string& input, bool errToOut)
{
    TempDir dir;
    writeFile(dir.file("in"), input);
    int in = open(dir.file("in").c_str(), O_RDONLY);
    int out = open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = errToOut ? out : open("/dev/null", O_WRONLY);
    pid_t pid = spawn(argv, in, out, err);
    close(in);
    close(out);
    if (!errToOut)
        close(err);
    int status = 0;
    waitpid(pid, &status, 0);
    CommandResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(dir.file("out"));
    return r;
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/eetclient-test-XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

const DemoCert& demoCert()
{
    static TempDir* dir = new TempDir(); // lives for the whole run
    static DemoCert cert;
    static std::once_flag once;
    std::call_once(once, [] {
        CommandResult r = run({"sh", VORNIX_MAKE_DEMO_CERT, dir->path(), "CZ1212121218", "demo"});
        if (r.status != 0)
            throw std::runtime_error("make-demo-cert.sh failed");
        cert.p12 = dir->file("demo-CZ1212121218.p12");
        cert.ca = dir->file("demo-ca.crt");
    });
    return cert;
}

TestService::TestService(std::vector<std::string> args)
{
    std::vector<std::string> argv = {EET_TESTSERVICE, "--listen", "127.0.0.1:0"};
    argv.insert(argv.end(), args.begin(), args.end());
    int in = open("/dev/null", O_RDONLY);
    int out = open(m_dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(m_dir.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    m_pid = spawn(argv, in, out, err);
    close(in);
    close(out);
    close(err);
    // Key generation at start-up takes a moment; wait for the "url" line.
    for (int i = 0; i < 300 && m_url.empty(); ++i) {
        std::string text = readFile(m_dir.file("out"));
        auto pos = text.find("url ");
        auto end = text.find('\n', pos);
        if (pos != std::string::npos && end != std::string::npos) {
            m_url = text.substr(pos + 4, end - pos - 4);
            auto colon = text.find("listening on 127.0.0.1:");
            m_port = std::atoi(text.c_str() + colon + 23);
            break;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("eet-testservice ended: " + readFile(m_dir.file("err")));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (m_url.empty())
        throw std::runtime_error("eet-testservice did not start");
}

TestService::~TestService()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

int TestService::requestCount() const
{
    std::string err = readFile(m_dir.file("err"));
    int n = 0;
    for (std::size_t pos = err.find("požadavek"); pos != std::string::npos;
         pos = err.find("požadavek", pos + 1))
        ++n;
    return n;
}

int closedPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    int port = ntohs(addr.sin_port);
    close(fd); // nothing listens there now
    return port;
}

} // namespace eettest
