#include "core/textconv.h"

namespace {

// Length of a well-formed UTF-8 sequence starting at s[i], or 0 when it is malformed.
// Follows the Unicode table of well-formed byte sequences (no overlongs, no surrogates,
// nothing above U+10FFFF).
int sequenceLength(const unsigned char* s, qsizetype i, qsizetype n)
{
    const unsigned char c = s[i];
    if (c < 0x80)
        return 1;
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c == 0xE0)
        len = 3, lo = 0xA0;
    else if (c >= 0xE1 && c <= 0xEC)
        len = 3;
    else if (c == 0xED)
        len = 3, hi = 0x9F;
    else if (c >= 0xEE && c <= 0xEF)
        len = 3;
    else if (c == 0xF0)
        len = 4, lo = 0x90;
    else if (c >= 0xF1 && c <= 0xF3)
        len = 4;
    else if (c == 0xF4)
        len = 4, hi = 0x8F;
    else
        return 0;
    if (i + len > n)
        return 0;
    if (s[i + 1] < lo || s[i + 1] > hi)
        return 0;
    for (int k = 2; k < len; ++k)
        if (s[i + k] < 0x80 || s[i + k] > 0xBF)
            return 0;
    return len;
}

// Length of the maximal prefix of an ill-formed sequence at s[i] (at least one byte), so
// that a truncated sequence yields a single replacement character.
int malformedLength(const unsigned char* s, qsizetype i, qsizetype n)
{
    const unsigned char c = s[i];
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c == 0xE0)
        len = 3, lo = 0xA0;
    else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF)
        len = 3;
    else if (c == 0xED)
        len = 3, hi = 0x9F;
    else if (c == 0xF0)
        len = 4, lo = 0x90;
    else if (c >= 0xF1 && c <= 0xF3)
        len = 4;
    else if (c == 0xF4)
        len = 4, hi = 0x8F;
    else
        return 1;
    int k = 1;
    if (i + k < n && s[i + k] >= lo && s[i + k] <= hi) {
        ++k;
        while (k < len && i + k < n && s[i + k] >= 0x80 && s[i + k] <= 0xBF)
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
