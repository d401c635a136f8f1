#include "core/dates.h"

#include "core/error.h"

#include <QDateTime>

QDate PrevedDatum(const QString& stored)
{
    const QString datePart = stored.section(QLatin1Char(' '), 0, 0);
    const QStringList parts = datePart.split(QLatin1Char('-'));
    const QString year = parts.value(0);
    const QString month = parts.value(1);
    const QString day = parts.size() > 2 ? QStringList(parts.mid(2)).join(QLatin1Char('-')) : QString();
    bool okY = false, okM = false, okD = false;
    const int y = year.toInt(&okY);
    const int m = month.toInt(&okM);
    const int d = day.toInt(&okD);
    const QDate date(y, m, d);
    if (!okY || !okM || !okD || !date.isValid() || y < 1)
        throw VornixError(QStringLiteral("'%1.%2.%3' není platné datum").arg(day, month, year));
    return date;
}

QString storedDate(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString storedDateTime(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
