#pragma once

#include <QString>
#include <QtGlobal>

// A whole number of crowns from an amount, halves rounded away from zero (10.5 → 11,
// -2.5 → -3).
qint64 roundCrowns(double amount);

// Parses a whole-crown amount typed by the operator ("121", " -5 "). Returns false for
// anything else (decimals, letters, empty text, out of range).
bool parseCrowns(const QString& text, qint64* out);

// Rounds to two decimals with ties to even, working on the decimal text of the value so
// that 0.125 rounds to 0.12 and 0.135 to 0.14.
double roundCents(double value);

// "###0.00" and "#####0.00" with "." as the separator: at least one integer digit, exactly
// two decimals, never "-0.00". Independent of the process locale.
QString formatAmount(double value);
