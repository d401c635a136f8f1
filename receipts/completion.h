#pragma once

#include <QString>

class Till;

// The VAT split of a total T at rate r: VAT = T - T / ((r + 100) / 100) rounded to two
// decimals with ties to even, base = T - VAT.
struct VatSplit {
    double base = 0;
    double vat = 0;
};
VatSplit splitVat(qint64 total, int rate);

// "náhled": completes the receipt in the panel (number, lines, VAT split, time of sale,
// period) and previews it. `totalText` and `purposeText` are what the total and purpose edits
// show. Returns false when the receipt was refused (the message was shown). Database
// failures throw VornixError; the numbering, the split and their post are one transaction.
bool nahled(Till& till, const QString& totalText, const QString& purposeText);
