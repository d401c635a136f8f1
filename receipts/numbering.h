#pragma once

#include <QSqlDatabase>
#include <QString>

// Receipt numbers: the two-digit year and a four-digit sequence starting at 0001 each year
// ("260001"). Past 9999 the sequence continues as "yy9999", one digit giving the width of the
// sequence and the zero-padded sequence ("2699995" + "10000"), so later numbers still sort
// after the year's earlier ones as text. A number already stored is never given again.

// The number of sequence n (n >= 1) in the year yy ("26").
QString receiptNumber(const QString& yy, qint64 n);

// The sequence of a stored number of year yy, or 0 when the text is not of that shape.
qint64 receiptSequence(const QString& yy, const QString& number);

// The next free number of the year of `yy` in the database.
QString nextReceiptNumber(QSqlDatabase& db, const QString& yy);
