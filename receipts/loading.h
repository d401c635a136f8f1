#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVector>

class Till;

// Loads a receipt picked in the list into the receipt panel and completes/previews it
// (double-click). Throws VornixError when its dates are not valid; the receipt is then in the
// panel but not previewed.
void loadFromList(Till& till, const QString& id);

// Loads a receipt chosen in the search: the number label, the VAT rate box and the amount
// edit stay as they were.
void loadFromSearch(Till& till, const QString& id);

// Whether "Zobrazit obsah chyby" applies to the receipt with this number.
bool hasErrorText(QSqlDatabase& db, const QString& uctenkaCislo);

// One row of the search: the receipt id and its text "number,payer,amount Kč,time of sale".
struct SearchEntry {
    qint64 id = 0;
    QString text;
};

// Every receipt that was ever sent, in row order, read in one pass.
QVector<SearchEntry> loadSearchEntries(QSqlDatabase& db);

// The search statement (two lines).
QString searchSql();
