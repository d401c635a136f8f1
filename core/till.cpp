#include "core/till.h"

#include "core/dates.h"
#include "core/error.h"
#include "core/money.h"
#include "core/textconv.h"
#include "db/database.h"
#include "settings/settingsrow.h"

#include <QSqlQuery>

Till::Till(QSqlDatabase& db, Prompt& prompt, const Clock& clock)
    : current(db), m_db(db), m_prompt(prompt), m_clock(clock)
{
}

void Till::applySettings(const SettingsRow& row)
{
    if (!row.exists) {
        panel.registerId.clear();
        session.nast_ucel.clear();
        session.nast_uctenkova = QStringLiteral("N");
        session.nast_platce_dph = QStringLiteral("N");
        session.nast_dphz = QStringLiteral("21");
        session.nast_od_do = QStringLiteral("A");
        session.nast_rozpis = QStringLiteral("N");
    } else {
        panel.registerId = row.text(QStringLiteral("idkasa"));
        session.nast_ucel = row.text(QStringLiteral("ucel"));
        session.nast_uctenkova = row.text(QStringLiteral("uctenkova"));
        session.nast_platce_dph = row.text(QStringLiteral("platce_dph"));
        session.nast_dphz = row.text(QStringLiteral("dphz"));
        session.nast_od_do = row.text(QStringLiteral("od_do"));
        session.nast_rozpis = row.text(QStringLiteral("rozpis"));
    }

    panel.periodEnabled = session.nast_od_do == QLatin1String("A");
    const bool itemised = session.nast_rozpis == QLatin1String("A");
    panel.breakdownVisible = itemised;
    panel.amountEnabled = !itemised;

    panel.vatItems.clear();
    for (const auto& c : {QStringLiteral("dph1"), QStringLiteral("dph2"), QStringLiteral("dph3")}) {
        const QString rate = row.text(c);
        if (!rate.isEmpty())
            panel.vatItems << rate;
    }
    panel.vatItems << QStringLiteral("0");
    if (row.text(QStringLiteral("platce_dph")) != QLatin1String("A")) {
        panel.vatVisible = false;
        panel.vatEnabled = false;
        panel.vatIndex = panel.vatItems.size() > 3 ? 3 : -1;
        panel.vatText = QStringLiteral("0");
    } else {
        panel.vatVisible = true;
        panel.vatEnabled = true;
        panel.vatIndex = 0;
        panel.vatText = panel.vatItems.value(0);
    }
}

void Till::showSteps()
{
    const QDateTime now = m_clock.now();
    rangeFrom = QDate(now.date().year(), now.date().month(), 1);
    rangeTo = now.date();

    db::prepare(m_db);
    applySettings(readSettings(m_db));

    // A silent invoice run gets a receipt row of its own; it leaves the working row (and a
    // receipt an operator may be entering in another window) untouched.
    if (!session.tichy_rezim) {
        session.aktualni_id = prepareWorkingRowAtStart();
        current.open(session.aktualni_id);
    }
    panel.od = panel.do_ = now.date();

    panel.nahledEnabled = true;
    panel.tiskEnabled = false;
    panel.eetEnabled = false;
    panel.registerEnabled = false;
}

QString Till::prepareWorkingRowAtStart()
{
    const QString today = storedDate(m_clock.today());
    QSqlQuery q =
        db::exec(m_db, QStringLiteral("select * from eet where (celk_trzba = 0) or (celk_trzba <> 0 and "
                                      "uctenka_cislo ISNULL) order by id desc limit 1"));
    if (!q.next()) {
        q.finish();
        db::exec(m_db,
                 QStringLiteral("insert into eet (idkasa, celk_trzba, ucelplatby, oddata, dodata, jmeno) "
                                "values (?, 0, ?, ?, ?, ?)"),
                 {panel.registerId, QString::fromUtf8(doutf(session.nast_ucel)), today, today,
                  QStringLiteral("")});
        return db::scalar(m_db, QStringLiteral("select id from eet where celk_trzba = 0")).toString();
    }
    const QString id = q.value(QStringLiteral("id")).toString();
    q.finish();
    db::exec(m_db, QStringLiteral("update eet set oddata = ?, dodata = ? where id = ?"),
             {today, today, id.toLongLong()});
    return id;
}

void Till::resetVatBox()
{
    panel.vatText = session.nast_dphz;
    panel.vatIndex = panel.vatEntry(session.nast_dphz);
}

void Till::loadPeriod()
{
    panel.od = PrevedDatum(current.text(QStringLiteral("oddata")));
    panel.do_ = PrevedDatum(current.text(QStringLiteral("dodata")));
}

bool Till::novaUctenka()
{
    const bool vatPayer = session.nast_platce_dph == QLatin1String("A");
    if (current.isOpen()) {
        const bool zeroTotal = current.value(QStringLiteral("celk_trzba")).toLongLong() == 0;
        const bool noPayer = current.text(QStringLiteral("jmeno")).isEmpty();
        if (!(zeroTotal && noPayer) && current.isNull(QStringLiteral("dat_trzby")) &&
            current.isNull(QStringLiteral("uctenka_cislo"))) {
            const int answer = m_prompt.question(QStringLiteral("Rozpracovaná účtenka! Smazat?"),
                                                 QStringLiteral("smazat"), QStringLiteral("storno"));
            if (answer != 1)
                return false;
            current.edit();
            current.setValue(QStringLiteral("celk_trzba"), 0);
            current.setValue(QStringLiteral("jmeno"), QVariant());
            current.setValue(QStringLiteral("ucelplatby"), QVariant());
            current.post();
            if (vatPayer)
                resetVatBox();
        }
    }

    panel.nahledEnabled = false;
    panel.tiskEnabled = false;
    panel.eetEnabled = false;

    const QString registerId = panel.registerId;
    if (registerId.isEmpty()) {
        m_prompt.message(QStringLiteral("Není identifikace pokladny!"));
        return false;
    }

    QVariant id = db::scalar(m_db, QStringLiteral("select id from eet where celk_trzba = 0"));
    if (!id.isValid()) {
        const QString today = storedDate(m_clock.today());
        db::exec(m_db,
                 QStringLiteral("insert into eet (idkasa, celk_trzba, ucelplatby, oddata, dodata, jmeno) "
                                "values (?, 0, ?, ?, ?, ?)"),
                 {registerId, QString::fromUtf8(doutf(session.nast_ucel)), today, today, QStringLiteral("")});
        id = db::scalar(m_db, QStringLiteral("select id from eet where celk_trzba = 0"));
    }
    session.aktualni_id = id.toString();

    current.close();
    current.open(session.aktualni_id);
    loadPeriod();

    panel.nahledEnabled = true;
    if (vatPayer)
        resetVatBox();
    if (session.nast_rozpis == QLatin1String("N"))
        panel.amountEnabled = true;
    panel.vatEnabled = true;
    panel.numberLabelVisible = false;
    panel.numberLabel.clear();

    if (session.nast_rozpis == QLatin1String("A")) {
        const QVariant lines =
            db::scalar(m_db, QStringLiteral("select count(*) from rozpis where uctenka_cislo ISNULL"));
        if (lines.toLongLong() == 0) {
            db::Transaction t(m_db);
            for (int i = 0; i < 15; ++i)
                db::exec(m_db,
                         QStringLiteral("insert into rozpis (polozka,cena,ks,suma) values (?, 0, 0, 0)"),
                         {QStringLiteral("")});
            t.commit();
        } else {
            db::exec(
                m_db,
                QStringLiteral(
                    "update rozpis set polozka = ?, cena = 0, ks = 0, suma = 0 where uctenka_cislo ISNULL"),
                {QStringLiteral("")});
        }
    }
    return true;
}

QString Till::lineCondition(QVariantList* values) const
{
    if (!panel.numberLabel.isEmpty()) {
        *values << panel.numberLabel;
        return QStringLiteral(" uctenka_cislo = ?");
    }
    return QStringLiteral(" uctenka_cislo ISNULL");
}

void Till::totalFromBreakdown()
{
    QVariantList values;
    const QString condition = lineCondition(&values);
    db::exec(m_db, QStringLiteral("update rozpis set suma = cena * ks where") + condition, values);
    const QVariant sum =
        db::scalar(m_db, QStringLiteral("select sum(suma) as clk from rozpis where") + condition, values);
    if (!sum.isValid() || sum.isNull())
        throw VornixError(
            QStringLiteral("Rozpis účtenky neobsahuje žádné řádky, celkovou částku nelze spočítat."));
    current.edit();
    current.setValue(QStringLiteral("celk_trzba"), roundCrowns(sum.toDouble()));
}

QString Till::listDateCondition(const QDate& from, const QDate& to)
{
    return QStringLiteral("dat_trzby >= \"") + from.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(" 00:00:00\" and dat_trzby <= \"") + to.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(" 23:59:59\" and ");
}

QString Till::listSql() const
{
    return QStringLiteral(
               "select *, substr(oddata,9,2) || \".\" || substr(oddata,6,2) || \".\" || substr(oddata,1,4) "
               "as prodd, "
               "substr(dodata,9,2) || \".\" || substr(dodata,6,2) || \".\" || substr(dodata,1,4) as prdod, "
               "substr(dat_trzby,9,2) || \".\" || substr(dat_trzby,6,2) || \".\" || substr(dat_trzby,1,4) || "
               "\" \" || "
               "substr(dat_trzby,12,8) as updatt, substr(dat_prijeti ,9,2) || \".\" || "
               "substr(dat_prijeti,6,2) || "
               "\".\" || substr(dat_prijeti,1,4) || \" \" || substr(dat_prijeti,12,8) as updatp from eet "
               "where\n") +
           listDateCondition(rangeFrom, rangeTo) + QStringLiteral("\ncelk_trzba <> 0 order by uctenka_cislo");
}
