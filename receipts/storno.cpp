#include "receipts/storno.h"

#include "core/dates.h"
#include "core/error.h"
#include "core/till.h"
#include "db/database.h"

#include <QSqlQuery>

namespace
{

VornixError missingReceipt()
{
    return VornixError(QStringLiteral("Vybraná účtenka v databázi není. Obnovte seznam účtenek."));
}

void refuse(Till& till, const QString& text)
{
    till.prompt().show(text, PromptIcon::Information, {QStringLiteral("zpět")});
}

} // namespace

bool stornoUctenky(Till& till, const QString& id)
{
    QSqlDatabase& db = till.db();
    QSqlQuery q =
        db::exec(db,
                 QStringLiteral("select dat_odesl, celk_trzba, uctenka_cislo, oddata, dodata from eet "
                                "where id = ?"),
                 {id.toLongLong()});
    if (!q.next())
        throw missingReceipt();
    const bool sent = !q.value(0).isNull();
    const qint64 total = q.value(1).toLongLong();
    const QString number = q.value(2).toString();
    const QString oddata = q.value(3).toString();
    const QString dodata = q.value(4).toString();
    q.finish();

    if (!sent) {
        till.prompt().message(QStringLiteral("Pouze k ODESLANÉ účtence lze vytvořit storno!"));
        return false;
    }
    if (total < 0) {
        till.prompt().message(QStringLiteral("Pouze ke KLADNÉ účtence lze vytvořit storno!"));
        return false;
    }
    // The storno copies the period; a period that is no date stops the command before
    // anything changes.
    const QDate od = PrevedDatum(oddata);
    const QDate do_ = PrevedDatum(dodata);

    QString newId;
    {
        db::Transaction t(db);
        db::exec(db, QStringLiteral("drop table if exists eet_tu"));
        db::exec(db, QStringLiteral("CREATE TABLE eet_tu AS SELECT * FROM eet WHERE 0"));
        // The copy is taken by id: the row under the cursor, even if another row shares its number.
        db::exec(db, QStringLiteral("insert into eet_tu select * from eet where id = ?"), {id.toLongLong()});
        // dph stays: the storno is split with the cancelled receipt's rate.
        db::exec(db,
                 QStringLiteral(
                     "update eet_tu set id = 0, uuid_zpravy = NULL, dat_odesl = NULL, prvni_zaslani = NULL, "
                     "uctenka_cislo = NULL, \nucelplatby = ucelplatby || ?, dat_trzby = NULL, "
                     "celk_trzba = celk_trzba * -1,\npkp = NULL, pkpplain = NULL, bkp = NULL, fik = NULL, "
                     "dat_prijeti = NULL, zprava_xml = NULL,\nchyba = NULL, zaklad_dph = NULL, "
                     "suma_dph = NULL"),
                 {QStringLiteral(" - storno - ") + number});
        const QVariant working = db::scalar(db, QStringLiteral("select id from eet where celk_trzba = 0"));
        if (working.isValid()) {
            db::exec(db, QStringLiteral("delete from eet where id = ?"), {working.toLongLong()});
            // The unassigned lines were the discarded receipt's; left in the pool, completion
            // would stamp them onto the storno receipt.
            db::exec(db, QStringLiteral("delete from rozpis where uctenka_cislo ISNULL"));
        }
        db::exec(db, QStringLiteral(
                         "insert into eet (idkasa, celk_trzba, ucelplatby, oddata, dodata, jmeno, dph)  \n"
                         "select idkasa, celk_trzba, ucelplatby, oddata, dodata, jmeno, dph from eet_tu"));
        newId = db::scalar(db, QStringLiteral("select last_insert_rowid() as pv")).toString();
        t.commit();
    }

    till.session.aktualni_id = newId;
    till.current.close();
    till.current.open(newId);
    till.panel.od = od;
    till.panel.do_ = do_;
    till.panel.numberLabel.clear();
    till.panel.numberLabelVisible = false;
    till.panel.amountEnabled = false;
    till.panel.vatEnabled = false;
    if (till.session.nast_platce_dph == QLatin1String("A")) {
        const QString rate =
            till.current.isNull(QStringLiteral("dph")) ? QString() : till.current.text(QStringLiteral("dph"));
        till.panel.vatText = rate;
        till.panel.vatIndex = till.panel.vatEntry(rate);
    }
    return true;
}

DeleteOutcome zrusitUctenku(Till& till, const QString& id)
{
    QSqlDatabase& db = till.db();
    const QVariant last =
        db::scalar(db, QStringLiteral("select max(uctenka_cislo) as pu from eet where celk_trzba <> 0"));
    QSqlQuery q =
        db::exec(db, QStringLiteral("select uctenka_cislo, fik from eet where id = ?"), {id.toLongLong()});
    if (!q.next())
        throw missingReceipt();
    const QVariant number = q.value(0);
    const QString fik = q.value(1).toString();
    q.finish();

    if (number.isNull() || last.isNull() || number.toString() != last.toString()) {
        refuse(till, QStringLiteral("Pouze POSLEDNÍ účtenku lze zrušit!"));
        return DeleteOutcome::Refused;
    }
    if (!fik.isEmpty()) {
        refuse(till, QStringLiteral("Pouze poslední NEPŘIJATOU účtenku lze zrušit!"));
        return DeleteOutcome::Refused;
    }
    if (till.prompt().question(QStringLiteral("Skutečně účtenku smazat?!"), QStringLiteral("smazat"),
                               QStringLiteral("storno")) != 1)
        return DeleteOutcome::Kept;

    {
        db::Transaction t(db);
        // Only the checked row goes, never another receipt that happens to share its number.
        db::exec(db, QStringLiteral("delete from eet where id = ?"), {id.toLongLong()});
        // Its lines go with it, so that they never attach to the next receipt given this number.
        if (!db::scalar(db, QStringLiteral("select id from eet where uctenka_cislo = ?"), {number}).isValid())
            db::exec(db, QStringLiteral("delete from rozpis where uctenka_cislo = ?"), {number});
        t.commit();
    }

    if (till.session.aktualni_id == id) {
        // The panel must not offer to keep a receipt that no longer exists.
        till.current.refresh();
        till.novaUctenka();
    }
    return DeleteOutcome::Deleted;
}
