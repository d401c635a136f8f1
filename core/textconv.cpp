#include "core/textconv.h"

namespace
{

// What a lead byte announces: the sequence length (0 for a byte that cannot start one) and
// the allowed range of the second byte. Follows the Unicode table of well-formed byte
// sequences (no overlongs, no surrogates, nothing above U+10FFFF).
struct Lead {
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
};

Lead lead(unsigned char c)
{
    if (c >= 0xC2 && c <= 0xDF)
        return {2};
    if (c == 0xE0)
        return {3, 0xA0};
    if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF)
        return {3};
    if (c == 0xED)
        return {3, 0x80, 0x9F};
    if (c == 0xF0)
        return {4, 0x90};
    if (c >= 0xF1 && c <= 0xF3)
        return {4};
    if (c == 0xF4)
        return {4, 0x80, 0x8F};
    return {};
}

// Length of a well-formed UTF-8 sequence starting at s[i], or 0 when it is malformed.
int sequenceLength(const unsigned char* s, qsizetype i, qsizetype n)
{
    if (s[i] < 0x80)
        return 1;
    const Lead l = lead(s[i]);
    if (l.len == 0 || i + l.len > n || s[i + 1] < l.lo || s[i + 1] > l.hi)
        return 0;
    for (int k = 2; k < l.len; ++k)
        if (s[i + k] < 0x80 || s[i + k] > 0xBF)
            return 0;
    return l.len;
}

// Length of the maximal prefix of an ill-formed sequence at s[i] (at least one byte), so
// that a truncated sequence yields a single replacement character.
int malformedLength(const unsigned char* s, qsizetype i, qsizetype n)
{
    const Lead l = lead(s[i]);
    if (l.len == 0)
        return 1;
    int k = 1;
    if (i + k < n && s[i + k] >= l.lo && s[i + k] <= l.hi) {
        ++k;
        while (k < l.len && i + k < n && s[i + k] >= 0x80 && s[i + k] <= 0xBF)
            ++k;
    }
    return k;
}

} // namespace

QString zutf(const QByteArray& stored)
{
    const auto* s = reinterpret_cast<const unsigned char*>(stored.constData());
    const qsizetype n = stored.size();
    // Fast path: well-formed text (nearly always) is decoded in one go.
    qsizetype k = 0;
    while (k < n) {
        if (s[k] < 0x80) {
            ++k;
            continue;
        }
        const int len = sequenceLength(s, k, n);
        if (len == 0)
            break;
        k += len;
    }
    if (k == n)
        return QString::fromUtf8(stored);

    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const int len = sequenceLength(s, i, n);
        if (len > 0) {
            out += QString::fromUtf8(stored.constData() + i, len);
            i += len;
        } else {
            out += QChar(0xFFFD);
            i += malformedLength(s, i, n);
        }
    }
    return out;
}

QString zutf(const QVariant& stored)
{
    if (!stored.isValid() || stored.isNull())
        return QString();
    if (stored.typeId() == QMetaType::QByteArray)
        return zutf(stored.toByteArray());
    return stored.toString();
}

QByteArray doutf(const QString& shown)
{
    return shown.toUtf8();
}

namespace
{

// Windows-1250 bytes 0x80..0xFF as Unicode; undefined bytes become U+FFFD.
const char16_t cp1250High[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

} // namespace

QString fromWindows1250(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += b < 0x80 ? QChar(char16_t(b)) : QChar(cp1250High[b - 0x80]);
    }
    return out;
}
