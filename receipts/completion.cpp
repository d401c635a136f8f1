#include "receipts/completion.h"

#include "core/dates.h"
#include "core/money.h"
#include "core/till.h"
#include "db/database.h"
#include "receipts/numbering.h"

#include <QSqlQuery>

VatSplit splitVat(qint64 total, int rate)
{
    const double t = static_cast<double>(total);
    const double vat = roundCents(t - t / ((rate + 100) / 100.0));
    // Both values are stored as the numbers their "###0.00" texts denote.
    VatSplit s;
    s.vat = formatAmount(vat).toDouble();
    s.base = formatAmount(t - vat).toDouble();
    return s;
}

namespace
{

int rateOf(const QString& text)
{
    bool ok = false;
    const int r = text.trimmed().toInt(&ok);
    return ok ? r : 0;
}

// FIK of the copy that printing just made, or of the receipt itself when no fresh copy exists.
bool registeredCopy(Till& till, bool freshCopy)
{
    QSqlDatabase& db = till.db();
    if (freshCopy &&
        db::scalar(
            db, QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = 'eet_tu'"))
                .toInt() == 1) {
        const QVariant fik = db::scalar(db, QStringLiteral("select fik from eet_tu"));
        return !fik.toString().isEmpty();
    }
    const QVariant fik = db::scalar(db, QStringLiteral("select fik from eet where id = ?"),
                                    {till.session.aktualni_id.toLongLong()});
    return !fik.toString().isEmpty();
}

} // namespace

bool nahled(Till& till, const QString& totalText, const QString& purposeText)
{
    Prompt& prompt = till.prompt();
    CurrentReceipt& cur = till.current;
    // An emptied total edit means no amount, like "0".
    if (totalText == QLatin1String("0") || totalText.trimmed().isEmpty()) {
        prompt.message(QStringLiteral("Nulová částka účtenky!"));
        return false;
    }
    if (purposeText.isEmpty()) {
        prompt.message(QStringLiteral("Prázdný účel platby!"));
        return false;
    }
    if (cur.isEditing())
        cur.post();

    QString assigned;
    if (cur.isNull(QStringLiteral("uctenka_cislo")))
        try {
            QSqlDatabase& db = till.db();
            db::Transaction t(db);
            const QString yy = till.clock().now().toString(QStringLiteral("yy"));
            assigned = nextReceiptNumber(db, yy);
            cur.edit();
            cur.setValue(QStringLiteral("uctenka_cislo"), assigned);
            if (till.session.nast_rozpis == QLatin1String("A"))
                db::exec(db, QStringLiteral("update rozpis set uctenka_cislo = ? where uctenka_cislo ISNULL"),
                         {assigned});

            const int rate = rateOf(till.panel.vatText);
            // A rate of -100 or less has no meaningful split (the divisor would be zero or negative).
            if (till.session.nast_platce_dph == QLatin1String("A") && rate != 0 && rate > -100) {
                const VatSplit s = splitVat(cur.value(QStringLiteral("celk_trzba")).toLongLong(), rate);
                cur.setValue(QStringLiteral("dph"), rate);
                cur.setValue(QStringLiteral("zaklad_dph"), s.base);
                cur.setValue(QStringLiteral("suma_dph"), s.vat);
                static const char* const pairs[3][2] = {{"zakl_dan1", "dan1"},
                                                        {"zakl_dan2_sniz1", "dan2_sniz1"},
                                                        {"zakl_dan3_sniz2", "dan3_sniz2"}};
                const int entry = till.panel.vatIndex;
                if (entry >= 0 && entry < 3) {
                    cur.setValue(QString::fromLatin1(pairs[entry][0]), s.base);
                    cur.setValue(QString::fromLatin1(pairs[entry][1]), s.vat);
                }
            }
            cur.post();
            t.commit();
        } catch (...) {
            // The transaction rolled back: the receipt stays unnumbered, in memory too.
            cur.refresh();
            throw;
        }

    if (cur.isNull(QStringLiteral("dat_odesl")))
        cur.setValue(QStringLiteral("dat_trzby"), storedDateTime(till.clock().now()));
    cur.setValue(QStringLiteral("oddata"), storedDate(till.panel.od));
    cur.setValue(QStringLiteral("dodata"), storedDate(till.panel.do_));
    cur.post();

    const bool preview = !till.session.tichy_rezim && till.tiskuct;
    if (preview)
        till.tiskuct(1);
    till.panel.tiskEnabled = true;
    till.panel.eetEnabled = !registeredCopy(till, preview);

    till.panel.numberLabelVisible = true;
    till.panel.numberLabel = assigned;
    return true;
}
