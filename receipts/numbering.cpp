#include "receipts/numbering.h"

#include "db/database.h"

#include <QSqlQuery>

namespace
{

bool allDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

QString receiptNumber(const QString& yy, qint64 n)
{
    if (n <= 9999)
        return yy + QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
    const QString digits = QString::number(n);
    return yy + QStringLiteral("9999") + QString::number(digits.size()) + digits;
}

qint64 receiptSequence(const QString& yy, const QString& number)
{
    if (!number.startsWith(yy))
        return 0;
    const QStringView rest = QStringView(number).mid(yy.size());
    if (rest.size() == 4 && allDigits(rest))
        return rest.toLongLong();
    if (rest.size() > 5 && rest.startsWith(QLatin1String("9999")) && allDigits(rest.mid(4))) {
        const int width = rest.at(4).digitValue();
        const QStringView seq = rest.mid(5);
        if (width >= 5 && seq.size() == width && seq.at(0) != QLatin1Char('0'))
            return seq.toLongLong();
    }
    return 0;
}

QString nextReceiptNumber(QSqlDatabase& db, const QString& yy)
{
    // The year's numbers lie between "yy0000" and "yy:" as text (":" follows "9"); walk them
    // from the greatest down to the first one of the expected shape.
    QSqlQuery q = db::exec(db,
                           QStringLiteral("select distinct trim(uctenka_cislo) as posl from eet where "
                                          "trim(uctenka_cislo) >= ? and trim(uctenka_cislo) < ? "
                                          "order by trim(uctenka_cislo) desc"),
                           {yy + QStringLiteral("0000"), yy + QStringLiteral(":")});
    qint64 last = 0;
    while (q.next()) {
        last = receiptSequence(yy, q.value(0).toString());
        if (last > 0)
            break;
    }
    q.finish();
    qint64 n = last + 1;
    // Skip numbers that exist already (a clock set back, a number taken over from an invoice).
    for (;;) {
        const QString candidate = receiptNumber(yy, n);
        const QVariant taken = db::scalar(
            db, QStringLiteral("select 1 from eet where trim(uctenka_cislo) = ? limit 1"), {candidate});
        if (!taken.isValid())
            return candidate;
        ++n;
    }
}
