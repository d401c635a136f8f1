#include "core/money.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

qint64 roundCrowns(double amount)
{
    return static_cast<qint64>(std::llround(amount));
}

bool parseCrowns(const QString& text, qint64* out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok)
        return false;
    *out = v;
    return true;
}

double roundCents(double value)
{
    if (!std::isfinite(value))
        return value;
    // Round the shortest decimal text that reads back as this double: that is the value
    // the operator and the arithmetic meant, so 0.125 is a true tie (→ 0.12) and 2.675
    // rounds to 2.68 although its binary neighbour lies just below.
    char buf[512];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    std::string s(buf, res.ptr);
    const bool negative = !s.empty() && s[0] == '-';
    if (negative)
        s.erase(0, 1);
    const auto dot = s.find('.');
    const std::string intPart = dot == std::string::npos ? s : s.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
    if (frac.size() < 3)
        frac.resize(3, '0');
    std::string kept = intPart + frac.substr(0, 2);
    const char third = frac[2];
    const bool restNonZero = frac.find_first_not_of('0', 3) != std::string::npos;
    const bool lastOdd = ((kept.back() - '0') % 2) == 1;
    const bool up = third > '5' || (third == '5' && (restNonZero || lastOdd));
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0; --i) {
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                break;
            }
        }
        if (i < 0)
            kept.insert(kept.begin(), '1');
    }
    const std::string text = kept.substr(0, kept.size() - 2) + "." + kept.substr(kept.size() - 2);
    const double magnitude = std::strtod(text.c_str(), nullptr);
    if (magnitude == 0.0)
        return 0.0;
    return negative ? -magnitude : magnitude;
}

QString formatAmount(double value)
{
    const double r = roundCents(value);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", r);
    QString s = QString::fromLatin1(buf);
    if (s == QLatin1String("-0.00"))
        s = QStringLiteral("0.00");
    return s;
}
