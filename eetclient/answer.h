#pragma once

// Reading the service's answer (Odpoved) and deciding what it means for the sender.

#include "eetclient/wssecurity.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eet
{

struct Answer {
    enum class Kind { Malformed, Confirmation, Error };
    Kind kind = Kind::Malformed;
    std::string problem;    // why the answer is malformed
    std::string uuid;       // Hlavicka/@uuid_zpravy
    std::string bkp;        // Hlavicka/@bkp
    std::string receivedAt; // Hlavicka/@dat_prij
    std::string fik;
    int errorCode = 0;
    std::string errorText;
    std::vector<std::pair<int, std::string>> warnings;
    SignatureState signature = SignatureState::Missing;
    std::string signatureProblem;
};

Answer parseAnswer(std::string_view text);

struct AnswerOutcome {
    std::string fik;        // only for a confirmation that may be trusted
    std::string receivedAt; // with the FIK
    std::string error;      // service error, refusal reason and warnings, one per line
};

// A confirmation counts only with a valid signature and, when given, the UUID and BKP of the
// request. Warnings are reported even with a FIK.
AnswerOutcome evaluateAnswer(const Answer& answer, const std::string* expectedUuid,
                             const std::string* expectedBkp);

} // namespace eet
