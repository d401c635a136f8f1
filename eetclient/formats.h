#pragma once

// Field formats of the EET data message (interface version 3) and conversions into them.
// Every check returns an empty text when the value is fine, otherwise a Czech error text
// that names the field.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace eet
{

// Largest message the service accepts, in bytes.
constexpr std::size_t kMaxMessageSize = 12 * 1024;

std::string checkDic(std::string_view value, std::string_view field = "dic_popl");
std::string checkIdProvoz(std::string_view value);
std::string checkIdPokl(std::string_view value);
std::string checkPoradCis(std::string_view value);
// Canonical amount: exactly two decimals, no leading zeros, within ±99,999,999.99, never "-0.00".
std::string checkAmount(std::string_view value, std::string_view field);
// "yyyy-mm-ddThh:mm:ss" followed by "Z" or "±hh:mm".
std::string checkDateTime(std::string_view value, std::string_view field);
std::string checkUuid(std::string_view value, std::string_view field = "uuid_zpravy");
std::string checkBkp(std::string_view value);
std::string checkFik(std::string_view value);
std::string checkRezim(std::string_view value);
bool isValidUtf8(std::string_view text);

// An amount as the caller hands it in ("121", "121.5", "-150.00", "1,50") to the canonical
// text; negative zero becomes "0.00". Nothing when it is not a number with at most two
// decimals within the allowed range.
std::optional<std::string> normalizeAmount(std::string_view text);

// A date and time ("yyyy-mm-ddThh:mm:ss" or with a space, optionally with "Z" or "±hh:mm") to
// the message form. Without an offset the time is local and gets the real UTC offset of that
// instant (summer time included). Nothing when the text is not a valid date and time.
std::optional<std::string> normalizeDateTime(std::string_view text);

// The instant as local time with its UTC offset, "yyyy-mm-ddThh:mm:ss±hh:mm".
std::string localDateTime(std::time_t t);

// Premises number "0011" -> "11"; nothing when not a number 1..999999.
std::optional<std::string> normalizeIdProvoz(std::string_view text);

std::string trim(std::string_view text);
// Escapes &, <, > and " for XML attribute values and text.
std::string xmlEscape(std::string_view text);

} // namespace eet
