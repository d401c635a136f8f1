#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <algorithm>

// The program-wide values of one run of the till.
struct Session {
    QString aktualni_id; // id of the receipt shown in the receipt panel
    QString nast_ucel;   // usual purpose, as shown
    QString nast_uctenkova = QStringLiteral("N");
    QString nast_platce_dph = QStringLiteral("N");
    QString nast_dphz = QStringLiteral("21");
    QString nast_od_do = QStringLiteral("A");
    QString nast_rozpis = QStringLiteral("N");
    bool rezim_navrhu = false; // report design mode
    bool tichy_rezim = false;  // silent drop-file run
};

// What the receipt panel and its buttons show. Commands change it; the main window draws it.
struct PanelState {
    QString registerId; // "Označení pokladny"
    bool registerEnabled = true;

    bool nahledEnabled = false;
    bool tiskEnabled = false;
    bool eetEnabled = false;

    bool amountEnabled = true;
    bool breakdownVisible = false; // "?" beside the total
    bool periodEnabled = true;
    QDate od;
    QDate do_;

    QStringList vatItems; // dph1, dph2, dph3 (non-empty ones) and "0"
    int vatIndex = -1;
    QString vatText;
    bool vatVisible = false;
    bool vatEnabled = false;

    // The first of the box's first four entries that equals `rate`, or -1.
    int vatEntry(const QString& rate) const
    {
        const int n = std::min<int>(4, static_cast<int>(vatItems.size()));
        for (int i = 0; i < n; ++i)
            if (vatItems.at(i) == rate)
                return i;
        return -1;
    }

    QString numberLabel; // number of the receipt in the panel, empty while entering
    bool numberLabelVisible = false;
};

// Command-line switches: exact, case-sensitive "/e" and "/jo"; anything else is ignored.
void applySwitches(Session& s, const QStringList& arguments);
