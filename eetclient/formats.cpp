#include "eetclient/formats.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace eet
{

namespace
{

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isHex(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string quoted(std::string_view v)
{
    return "\"" + std::string(v) + "\"";
}

bool allowedText20Char(char c)
{
    if (isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    switch (c) {
    case '.':
    case ',':
    case ':':
    case ';':
    case '/':
    case '#':
    case '-':
    case '_':
    case ' ':
        return true;
    default:
        return false;
    }
}

std::string checkText(std::string_view value, std::string_view field, std::size_t maxLen)
{
    bool ok = !value.empty() && value.size() <= maxLen;
    for (char c : value)
        ok = ok && allowedText20Char(c);
    if (ok)
        return {};
    return "Chybná hodnota pole " + std::string(field) + ": " + quoted(value) + " (1 až " +
           std::to_string(maxLen) + " znaků z 0-9 a-z A-Z . , : ; / # - _ a mezery)";
}

// Matches "hh" digits pattern at position; returns value or -1.
int twoDigits(std::string_view s, std::size_t pos)
{
    if (pos + 2 > s.size() || !isDigit(s[pos]) || !isDigit(s[pos + 1]))
        return -1;
    return (s[pos] - '0') * 10 + (s[pos + 1] - '0');
}

int daysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return 29;
    return days[m - 1];
}

struct ParsedTime {
    int y, mo, d, h, mi, s;
    bool hasOffset = false;
    int offsetMinutes = 0; // east of UTC
};

// Parses "yyyy-mm-dd[T ]hh:mm:ss[Z|±hh:mm]"; strictT requires the "T" and an offset.
std::optional<ParsedTime> parseTime(std::string_view v, bool strict)
{
    if (v.size() < 19)
        return std::nullopt;
    for (int i : {0, 1, 2, 3})
        if (!isDigit(v[static_cast<std::size_t>(i)]))
            return std::nullopt;
    if (v[4] != '-' || v[7] != '-' || v[13] != ':' || v[16] != ':')
        return std::nullopt;
    if (v[10] != 'T' && (strict || v[10] != ' '))
        return std::nullopt;
    ParsedTime t{};
    t.y = std::atoi(std::string(v.substr(0, 4)).c_str());
    t.mo = twoDigits(v, 5);
    t.d = twoDigits(v, 8);
    t.h = twoDigits(v, 11);
    t.mi = twoDigits(v, 14);
    t.s = twoDigits(v, 17);
    if (t.mo < 1 || t.mo > 12 || t.d < 1 || t.d > daysInMonth(t.y, t.mo) || t.h < 0 || t.h > 23 || t.mi < 0 ||
        t.mi > 59 || t.s < 0 || t.s > 59 || t.y < 1900)
        return std::nullopt;
    std::string_view rest = v.substr(19);
    if (rest.empty())
        return strict ? std::nullopt : std::optional(t);
    if (rest == "Z") {
        t.hasOffset = true;
        return t;
    }
    if (rest.size() != 6 || (rest[0] != '+' && rest[0] != '-') || rest[3] != ':')
        return std::nullopt;
    int oh = twoDigits(rest, 1), om = twoDigits(rest, 4);
    if (oh < 0 || oh > 14 || om < 0 || om > 59)
        return std::nullopt;
    t.hasOffset = true;
    t.offsetMinutes = (rest[0] == '-' ? -1 : 1) * (oh * 60 + om);
    return t;
}

std::string formatTime(const ParsedTime& t)
{
    char buf[64];
    int off = t.offsetMinutes < 0 ? -t.offsetMinutes : t.offsetMinutes;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.y, t.mo, t.d, t.h, t.mi, t.s,
                  t.offsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
    return buf;
}

} // namespace

std::string trim(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\r' || text[b] == '\n'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n'))
        --e;
    return std::string(text.substr(b, e - b));
}

std::string xmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string checkDic(std::string_view value, std::string_view field)
{
    bool ok = value.size() >= 10 && value.size() <= 12 && value.substr(0, 2) == "CZ";
    for (std::size_t i = 2; ok && i < value.size(); ++i)
        ok = isDigit(value[i]);
    if (ok)
        return {};
    return "Chybné DIČ v poli " + std::string(field) + ": " + quoted(value) +
           " (očekává se CZ a 8 až 10 číslic)";
}

std::string checkIdProvoz(std::string_view value)
{
    // xs:int within 1..999999; the message always carries the plain decimal form.
    bool ok = !value.empty() && value.size() <= 6 && value[0] != '0';
    for (char c : value)
        ok = ok && isDigit(c);
    if (ok)
        return {};
    return "Chybné označení provozovny (id_provoz): " + quoted(value) + " (očekává se číslo 1 až 999999)";
}

std::string checkIdPokl(std::string_view value)
{
    return checkText(value, "id_pokl", 20);
}

// The schema of interface version 3.1 allows receipt numbers of up to 25 characters.
std::string checkPoradCis(std::string_view value)
{
    return checkText(value, "porad_cis", 25);
}

std::string checkAmount(std::string_view v, std::string_view field)
{
    // ((0|-?[1-9]\d{0,7})\.\d\d|-0\.(0[1-9]|[1-9]\d))
    auto bad = [&] {
        return "Chybná částka v poli " + std::string(field) + ": " + quoted(v) +
               " (očekávají se přesně dvě desetinná místa v rozsahu -99999999.99 až 99999999.99, bez "
               "úvodních nul, "
               "ne -0.00)";
    };
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && v[i] == '-') {
        negative = true;
        ++i;
    }
    std::size_t intStart = i;
    while (i < v.size() && isDigit(v[i]))
        ++i;
    std::size_t intLen = i - intStart;
    if (intLen == 0 || intLen > 8 || (intLen > 1 && v[intStart] == '0'))
        return bad();
    if (i + 3 != v.size() || v[i] != '.' || !isDigit(v[i + 1]) || !isDigit(v[i + 2]))
        return bad();
    if (negative && intLen == 1 && v[intStart] == '0' && v[i + 1] == '0' && v[i + 2] == '0')
        return bad();
    return {};
}

std::string checkDateTime(std::string_view value, std::string_view field)
{
    if (parseTime(value, true))
        return {};
    return "Chybné datum a čas v poli " + std::string(field) + ": " + quoted(value) +
           " (očekává se rrrr-mm-ddThh:mm:ss+hh:mm)";
}

std::string checkUuid(std::string_view v, std::string_view field)
{
    bool ok = v.size() == 36;
    for (std::size_t i = 0; ok && i < 36; ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            ok = v[i] == '-';
        else
            ok = isHex(v[i]);
    }
    ok = ok && v[14] >= '1' && v[14] <= '5' &&
         std::string_view("89abAB").find(v[19]) != std::string_view::npos;
    if (ok)
        return {};
    return "Chybné UUID v poli " + std::string(field) + ": " + quoted(v);
}

std::string checkBkp(std::string_view v)
{
    bool ok = v.size() == 44;
    for (std::size_t i = 0; ok && i < 44; ++i)
        ok = (i % 9 == 8) ? v[i] == '-' : isHex(v[i]);
    if (ok)
        return {};
    return "Chybný BKP: " + quoted(v);
}

std::string checkFik(std::string_view v)
{
    bool ok = v.size() == 39 && checkUuid(v.substr(0, 36)).empty() && v[14] == '4' && v[36] == '-' &&
              isHex(v[37]) && isHex(v[38]);
    if (ok)
        return {};
    return "Chybný FIK: " + quoted(v);
}

std::string checkRezim(std::string_view v)
{
    if (v == "0" || v == "1")
        return {};
    return "Chybný režim tržby (rezim): " + quoted(v) + " (0 běžný, 1 zjednodušený)";
}

bool isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xe0) == 0xc0) {
            n = 1;
            cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            n = 2;
            cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            n = 3;
            cp = c & 0x07;
        } else
            return false;
        if (i + n >= s.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3f);
        }
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10ffff ||
            (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        i += n + 1;
    }
    return true;
}

std::optional<std::string> normalizeAmount(std::string_view text)
{
    std::string t = trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
    }
    std::size_t intStart = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    if (i == intStart)
        return std::nullopt;
    std::string intPart = t.substr(intStart, i - intStart);
    std::string frac;
    if (i < t.size()) {
        if (t[i] != '.' && t[i] != ',')
            return std::nullopt;
        ++i;
        std::size_t fracStart = i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        frac = t.substr(fracStart, i - fracStart);
        if (i != t.size() || frac.empty() || frac.size() > 2)
            return std::nullopt;
    }
    std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    if (intPart.size() > 8)
        return std::nullopt;
    while (frac.size() < 2)
        frac += '0';
    if (intPart == "0" && frac == "00")
        negative = false;
    return (negative ? "-" : "") + intPart + "." + frac;
}

std::string localDateTime(std::time_t t)
{
    struct tm lt {
    };
    localtime_r(&t, &lt);
    ParsedTime p{lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour,
                 lt.tm_min,         lt.tm_sec,     true,       static_cast<int>(lt.tm_gmtoff / 60)};
    return formatTime(p);
}

std::optional<std::string> normalizeDateTime(std::string_view text)
{
    std::string t = trim(text);
    auto p = parseTime(t, false);
    if (!p)
        return std::nullopt;
    if (p->hasOffset)
        return formatTime(*p);
    struct tm tm {
    };
    tm.tm_year = p->y - 1900;
    tm.tm_mon = p->mo - 1;
    tm.tm_mday = p->d;
    tm.tm_hour = p->h;
    tm.tm_min = p->mi;
    tm.tm_sec = p->s;
    tm.tm_isdst = -1; // let the zone rules decide whether summer time applies at that instant
    std::time_t when = mktime(&tm);
    if (when == static_cast<std::time_t>(-1))
        return std::nullopt;
    return localDateTime(when);
}

std::optional<std::string> normalizeIdProvoz(std::string_view text)
{
    std::string t = trim(text);
    if (t.empty() || t.size() > 12)
        return std::nullopt;
    for (char c : t)
        if (!isDigit(c))
            return std::nullopt;
    long value = std::strtol(t.c_str(), nullptr, 10);
    if (value < 1 || value > 999999)
        return std::nullopt;
    return std::to_string(value);
}

} // namespace eet
