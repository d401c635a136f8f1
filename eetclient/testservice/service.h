#pragma once

// The checks and answers of the local EET test service, apart from HTTP.

#include "eetclient/certificate.h"

#include <memory>
#include <string>

namespace eet::testservice
{

struct Options {
    std::shared_ptr<const Certificate> signer; // the service's own certificate for its confirmations
    std::string caFile;                        // when set, taxpayer certificates must chain to these CAs
    bool requireValidity = false;              // refuse certificates outside their validity period
};

struct Result {
    int code = 0;           // 0 accepted (or verification mode passed), otherwise the EET error code
    bool confirmed = false; // a confirmation with a FIK was produced
    std::string uuid;
    std::string fik;
    std::string answer; // the SOAP answer
};

class Service
{
  public:
    explicit Service(Options options);
    // Checks one request like the state's service: encoding (2), formats (3), WS-Security
    // signature (4), PKP and BKP (5), size (7); a DIČ that differs from the certificate gives
    // warning 1. Answers verification mode with code 0 and otherwise confirms with a signed FIK.
    Result handle(const std::string& request) const;
    // An unsigned answer with Chyba (used for the injected temporary error -1 too).
    static std::string errorAnswer(const std::string& uuid, int code, const std::string& warningsXml = {},
                                   const std::string& text = {});

  private:
    Options m_options;
};

} // namespace eet::testservice
