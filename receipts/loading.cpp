#include "receipts/loading.h"

#include "core/dates.h"
#include "core/textconv.h"
#include "core/till.h"
#include "db/database.h"
#include "receipts/completion.h"

#include <QSqlQuery>

namespace
{

void openAndLoadPeriod(Till& till, const QString& id)
{
    till.current.close();
    till.session.aktualni_id = id;
    till.current.open(id);
    till.panel.od = PrevedDatum(till.current.text(QStringLiteral("oddata")));
    till.panel.do_ = PrevedDatum(till.current.text(QStringLiteral("dodata")));
}

} // namespace

void loadFromList(Till& till, const QString& id)
{
    openAndLoadPeriod(till, id);
    nahled(till, till.current.text(QStringLiteral("celk_trzba")),
           till.current.text(QStringLiteral("ucelplatby")));

    if (till.session.nast_platce_dph == QLatin1String("A")) {
        const QString rate = till.current.text(QStringLiteral("dph"));
        till.panel.vatText = rate;
        // No matching entry: the text shows the rate and the selection stays.
        if (const int entry = till.panel.vatEntry(rate); entry >= 0)
            till.panel.vatIndex = entry;
    }
    till.panel.numberLabelVisible = false;
    till.panel.numberLabel.clear();
    if (till.current.isNull(QStringLiteral("pkp"))) {
        till.panel.vatEnabled = true;
        if (till.session.nast_rozpis == QLatin1String("N"))
            till.panel.amountEnabled = true;
    } else {
        till.panel.vatEnabled = false;
        till.panel.amountEnabled = false;
    }
    const QString number = till.current.text(QStringLiteral("uctenka_cislo"));
    if (!number.isEmpty()) {
        till.panel.numberLabel = number;
        till.panel.numberLabelVisible = true;
    }
}

void loadFromSearch(Till& till, const QString& id)
{
    const PanelState before = till.panel;
    openAndLoadPeriod(till, id);
    nahled(till, till.current.text(QStringLiteral("celk_trzba")),
           till.current.text(QStringLiteral("ucelplatby")));
    till.panel.numberLabel = before.numberLabel;
    till.panel.numberLabelVisible = before.numberLabelVisible;
    till.panel.vatText = before.vatText;
    till.panel.vatIndex = before.vatIndex;
    till.panel.vatEnabled = before.vatEnabled;
    till.panel.amountEnabled = before.amountEnabled;
}

bool hasErrorText(QSqlDatabase& db, const QString& uctenkaCislo)
{
    return db::scalar(db, QStringLiteral("select chyba from eet where uctenka_cislo = ? and chyba NOTNULL"),
                      {uctenkaCislo})
        .isValid();
}

QString searchSql()
{
    return QStringLiteral(
        "select id, uctenka_cislo || \",\" || jmeno || \",\" || celk_trzba || \" Kč,\" || dat_trzby "
        "as hledam from eet\nwhere (dat_odesl NOTNULL)");
}

QVector<SearchEntry> loadSearchEntries(QSqlDatabase& db)
{
    QVector<SearchEntry> out;
    // The joined text is read as bytes so that a malformed payer shows U+FFFD by our rules.
    QSqlQuery q = db::exec(db, QStringLiteral("select id, cast(hledam as blob) from (") + searchSql() +
                                   QLatin1Char(')'));
    while (q.next()) {
        SearchEntry e;
        e.id = q.value(0).toLongLong();
        e.text = zutf(q.value(1).toByteArray());
        out.push_back(std::move(e));
    }
    return out;
}
