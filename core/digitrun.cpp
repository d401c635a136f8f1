#include "core/digitrun.h"

#include <algorithm>

namespace
{

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QString firstRun(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (isDigit(c))
            out.append(c);
        else if (!out.isEmpty())
            break;
    }
    return out;
}

} // namespace

QString collectDigits(const QString& text, int selStart, int selEnd)
{
    const int size = static_cast<int>(text.size());
    selStart = std::clamp(selStart, 0, size);
    selEnd = std::clamp(selEnd, 0, size);
    if (selStart < selEnd)
        return firstRun(text.mid(selStart, selEnd - selStart)).trimmed();
    if (text.isEmpty())
        return QString();
    const int caret = selStart;
    QString out;
    for (int i = caret - 1; i >= 0 && isDigit(text.at(i)); --i)
        out.prepend(text.at(i));
    for (int i = caret; i < size && isDigit(text.at(i)); ++i)
        out.append(text.at(i));
    return out.trimmed();
}
