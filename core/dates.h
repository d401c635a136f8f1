#pragma once

#include <QDate>
#include <QString>

// A stored date "yyyy-mm-dd" or date-time "yyyy-mm-dd hh:nn:ss" as a date (no time part).
// Throws VornixError when the text is not a valid date.
QDate PrevedDatum(const QString& stored);

// "yyyy-mm-dd" and "yyyy-mm-dd hh:nn:ss", independent of the locale.
QString storedDate(const QDate& d);
QString storedDateTime(const QDateTime& t);
