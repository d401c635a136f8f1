// Local EET test service: answers EET v3 registrations on a loopback address the way the
// state's service did, with options to inject faults.

#include "service.h"

#include "eetclient/error.h"
#include "eetclient/formats.h"

#include <httplib.h>
#include <openssl/pem.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

namespace
{

const char* kPath = "/eet/services/EETServiceSOAP/v3";

const char* kUsage =
    "použití: eet-testservice [volby]\n"
    "  --listen HOST:PORT      adresa na loopbacku (výchozí 127.0.0.1:8780; port 0 = volný port)\n"
    "  --tls-cert FILE --tls-key FILE   HTTPS s daným certifikátem a klíčem (PEM)\n"
    "  --tls-generate FILE     HTTPS s vytvořeným certifikátem pro 127.0.0.1; jeho PEM zapíše do FILE\n"
    "  --sign-cert FILE --sign-password PW   certifikát služby (PKCS#12) pro podpis potvrzení\n"
    "                          (bez něj se při startu vytvoří vlastní)\n"
    "  --ca FILE               certifikát poplatníka musí být vydán CA ze souboru FILE (PEM)\n"
    "  --require-valid         odmítnout certifikát poplatníka mimo dobu platnosti\n"
    "  --delay MS              odpovídat se zpožděním MS milisekund\n"
    "  --fault KIND            temporary | drop | malformed | bad-signature | http-error\n"
    "  --fault-count N         chybu vložit jen do prvních N požadavků (výchozí všechny)\n"
    "  --quiet                 nepsat požadavky na stderr\n";

enum class Fault { None, Temporary, Drop, Malformed, BadSignature, HttpError };

struct Config {
    std::string host = "127.0.0.1";
    int port = 8780;
    std::string tlsCert, tlsKey, tlsGenerate, signCert, signPassword, caFile;
    bool requireValid = false, quiet = false;
    int delayMs = 0;
    Fault fault = Fault::None;
    long faultCount = -1;
};

bool isLoopbackHost(const std::string& h)
{
    return h == "localhost" || h.rfind("127.", 0) == 0 || h == "::1";
}

bool parseArgs(int argc, char** argv, Config& c, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(a + " potřebuje hodnotu");
            return argv[++i];
        };
        try {
            if (a == "--listen") {
                std::string v = value();
                auto colon = v.rfind(':');
                if (colon == std::string::npos)
                    throw std::invalid_argument("--listen očekává HOST:PORT");
                c.host = v.substr(0, colon);
                if (c.host.size() > 1 && c.host.front() == '[')
                    c.host = c.host.substr(1, c.host.size() - 2);
                c.port = std::stoi(v.substr(colon + 1));
            } else if (a == "--tls-cert")
                c.tlsCert = value();
            else if (a == "--tls-key")
                c.tlsKey = value();
            else if (a == "--tls-generate")
                c.tlsGenerate = value();
            else if (a == "--sign-cert")
                c.signCert = value();
            else if (a == "--sign-password")
                c.signPassword = value();
            else if (a == "--ca")
                c.caFile = value();
            else if (a == "--require-valid")
                c.requireValid = true;
            else if (a == "--quiet")
                c.quiet = true;
            else if (a == "--delay")
                c.delayMs = std::stoi(value());
            else if (a == "--fault-count")
                c.faultCount = std::stol(value());
            else if (a == "--fault") {
                std::string v = value();
                if (v == "temporary")
                    c.fault = Fault::Temporary;
                else if (v == "drop")
                    c.fault = Fault::Drop;
                else if (v == "malformed")
                    c.fault = Fault::Malformed;
                else if (v == "bad-signature")
                    c.fault = Fault::BadSignature;
                else if (v == "http-error")
                    c.fault = Fault::HttpError;
                else
                    throw std::invalid_argument("neznámá chyba " + v);
            } else if (a == "--help" || a == "-h") {
                std::cout << kUsage;
                std::exit(0);
            } else
                throw std::invalid_argument("neznámá volba " + a);
        } catch (const std::invalid_argument& e) {
            error = e.what();
            return false;
        } catch (const std::out_of_range&) {
            error = "číslo mimo rozsah u " + a;
            return false;
        }
    }
    if (!isLoopbackHost(c.host)) {
        error = "služba naslouchá jen na loopbacku (127.0.0.1, ::1, localhost)";
        return false;
    }
    if (c.tlsCert.empty() != c.tlsKey.empty()) {
        error = "--tls-cert a --tls-key se zadávají spolu";
        return false;
    }
    return true;
}

// A readable log line per request on stderr, for whoever runs the service beside the program.
void logLine(const Config& c, const std::string& text)
{
    if (!c.quiet) {
        std::cerr << "eet-testservice: " << text << std::endl;
    }
}

} // namespace

int main(int argc, char** argv)
{
    Config cfg;
    std::string error;
    if (!parseArgs(argc, argv, cfg, error)) {
        std::cerr << "eet-testservice: " << error << "\n" << kUsage;
        return 2;
    }

    std::unique_ptr<httplib::Server> server;
    std::unique_ptr<eet::testservice::Service> service;
    try {
        eet::testservice::Options options;
        if (!cfg.signCert.empty())
            options.signer = eet::Certificate::load(cfg.signCert, cfg.signPassword);
        options.caFile = cfg.caFile;
        options.requireValidity = cfg.requireValid;
        service = std::make_unique<eet::testservice::Service>(options);

        if (!cfg.tlsCert.empty()) {
            server = std::make_unique<httplib::SSLServer>(cfg.tlsCert.c_str(), cfg.tlsKey.c_str());
        } else if (!cfg.tlsGenerate.empty()) {
            auto tls = eet::Certificate::generateSelfSigned("127.0.0.1", 365, "127.0.0.1");
            std::ofstream(cfg.tlsGenerate) << tls->pem();
            // httplib takes its own references to the certificate and the key.
            X509_up_ref(tls->cert());
            EVP_PKEY_up_ref(tls->key());
            server = std::make_unique<httplib::SSLServer>(tls->cert(), tls->key());
        } else
            server = std::make_unique<httplib::Server>();
    } catch (const std::exception& e) {
        std::cerr << "eet-testservice: " << e.what() << "\n";
        return 1;
    }
    if (!server->is_valid()) {
        std::cerr << "eet-testservice: server HTTPS nelze spustit (certifikát nebo klíč)\n";
        return 1;
    }

    std::atomic<long> requests{0};
    server->Post(kPath, [&](const httplib::Request& req, httplib::Response& res) {
        long n = ++requests;
        bool inject = cfg.fault != Fault::None && (cfg.faultCount < 0 || n <= cfg.faultCount);
        if (cfg.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(cfg.delayMs));
        std::string action = req.get_header_value("SOAPAction");
        if (!action.empty() && action != "\"http://fs.mfcr.cz/eet/OdeslaniTrzby\"" &&
            action != "http://fs.mfcr.cz/eet/OdeslaniTrzby") {
            res.status = 500;
            res.set_content("unknown SOAPAction", "text/plain");
            return;
        }
        if (inject && cfg.fault == Fault::HttpError) {
            logLine(cfg, "požadavek " + std::to_string(n) + ": vložená chyba HTTP 503");
            res.status = 503;
            res.set_content("Service Unavailable", "text/plain");
            return;
        }
        if (inject && cfg.fault == Fault::Drop) {
            logLine(cfg, "požadavek " + std::to_string(n) + ": vložené přerušení spojení");
            // The headers promise a body that never comes: the connection closes mid-answer.
            res.set_content_provider(4096, "text/xml; charset=utf-8",
                                     [](size_t, size_t, httplib::DataSink&) { return false; });
            return;
        }
        if (inject && cfg.fault == Fault::Malformed) {
            logLine(cfg, "požadavek " + std::to_string(n) + ": vložená poškozená odpověď");
            res.set_content(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<soap:Envelope "
                "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><eet:Odpoved",
                "text/xml; charset=utf-8");
            return;
        }
        eet::testservice::Result r;
        if (inject && cfg.fault == Fault::Temporary) {
            r.code = -1;
            r.answer = eet::testservice::Service::errorAnswer({}, -1);
        } else {
            try {
                r = service->handle(req.body);
            } catch (const std::exception& e) {
                r.code = 8;
                r.answer = eet::testservice::Service::errorAnswer({}, 8);
            }
        }
        if (inject && cfg.fault == Fault::BadSignature && r.confirmed) {
            // Change the FIK after signing: the signature no longer matches the body.
            auto pos = r.answer.find(r.fik);
            if (pos != std::string::npos)
                r.answer.replace(pos, 8, "00000000");
        }
        logLine(cfg, "požadavek " + std::to_string(n) + ": uuid " + (r.uuid.empty() ? "-" : r.uuid) +
                         ", kód " + std::to_string(r.code) + (r.fik.empty() ? "" : ", FIK " + r.fik));
        res.set_content(r.answer, "text/xml; charset=utf-8");
    });

    int port = cfg.port;
    if (port == 0)
        port = server->bind_to_any_port(cfg.host);
    else if (!server->bind_to_port(cfg.host, port))
        port = -1;
    if (port <= 0) {
        std::cerr << "eet-testservice: nelze naslouchat na " << cfg.host << ":" << cfg.port << "\n";
        return 1;
    }

    // SIGINT/SIGTERM stop the server cleanly from a thread of their own.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread stopper([&] {
        int sig = 0;
        sigwait(&signals, &sig);
        server->stop();
    });
    stopper.detach();

    const bool tls = !cfg.tlsCert.empty() || !cfg.tlsGenerate.empty();
    std::string hostText = cfg.host.find(':') != std::string::npos ? "[" + cfg.host + "]" : cfg.host;
    std::cout << "listening on " << hostText << ":" << port << "\n"
              << "url " << (tls ? "https" : "http") << "://" << hostText << ":" << port << kPath << std::endl;
    bool ok = server->listen_after_bind();
    return ok ? 0 : 1;
}
