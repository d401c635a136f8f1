#include "core/error.h"
#include "receipts/loading.h"
#include "tests/support/tillfixture.h"

#include <QtTest>

namespace
{

// Two receipts of this month: 260001 never sent, 260002 registered (PKP and FIK), and
// 260003 sent but rejected (PKP, error text).
void threeReceipts(Peek& p)
{
    p.exec("update eet_nast set platce_dph = 'A'");
    p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, jmeno, ucelplatby, oddata, dodata, "
           "dat_trzby, dph) "
           "values ('K1', 100, '260001', 'Novák', 'Nocleh', '2026-12-01', '2026-12-02', '2026-12-01 "
           "10:00:00', 15)");
    p.exec(
        "insert into eet (idkasa, celk_trzba, uctenka_cislo, jmeno, ucelplatby, oddata, dodata, dat_trzby, "
        "dat_odesl, pkp, fik, dph) values ('K1', 121, '260002', 'Dvořák', 'Nocleh', '2026-12-02', "
        "'2026-12-03', "
        "'2026-12-02 10:00:00', '2026-12-02 10:00:01', 'pkp', 'fik-2', 21)");
    p.exec(
        "insert into eet (idkasa, celk_trzba, uctenka_cislo, jmeno, ucelplatby, oddata, dodata, dat_trzby, "
        "dat_odesl, pkp, chyba, dph) values ('K1', 50, '260003', 'Kříž', 'Parkování', '2026-12-03', "
        "'2026-12-03', "
        "'2026-12-03 10:00:00', '2026-12-03 10:00:01', 'pkp', 'Chyba -1', 12)");
}

QString idOf(TillFixture& f, const QString& number)
{
    return f.peek().scalar("select id from eet where uctenka_cislo = ?", {number}).toString();
}

} // namespace

class TestLoading : public QObject
{
    Q_OBJECT
  private slots:
    void doubleClickNeverSentEnablesEdits();
    void doubleClickSentDisablesEdits();
    void doubleClickBadDateStopsAfterLoading();
    void searchLeavesPanelControls();
    void searchEntries();
    void errorMenuItem();
};

void TestLoading::doubleClickNeverSentEnablesEdits()
{
    TillFixture f(threeReceipts);
    f.till->panel.vatEnabled = false;
    f.till->panel.amountEnabled = false;
    const QString id = idOf(f, "260001");
    loadFromList(*f.till, id);
    QCOMPARE(f.till->session.aktualni_id, id);
    QCOMPARE(f.till->current.text("jmeno"), QString("Novák"));
    QVERIFY(f.till->panel.vatEnabled);
    QVERIFY(f.till->panel.amountEnabled);
    QCOMPARE(f.till->panel.vatText, QString("15"));
    QCOMPARE(f.till->panel.vatIndex, 1);
    QVERIFY(f.till->panel.numberLabelVisible);
    QCOMPARE(f.till->panel.numberLabel, QString("260001"));
    QVERIFY(f.till->panel.tiskEnabled);
    QVERIFY(f.till->panel.eetEnabled);
    // "náhled" ran: the time of sale of a never-sent receipt is stamped anew.
    QCOMPARE(f.peek().scalar("select dat_trzby from eet where id = ?", {id}).toString(),
             QString("2026-12-11 10:00:00"));
}

void TestLoading::doubleClickSentDisablesEdits()
{
    TillFixture f(threeReceipts);
    const QString id = idOf(f, "260002");
    loadFromList(*f.till, id);
    QVERIFY(!f.till->panel.vatEnabled);
    QVERIFY(!f.till->panel.amountEnabled);
    QVERIFY(!f.till->panel.eetEnabled);
    QCOMPARE(f.till->panel.vatIndex, 0);
    QCOMPARE(f.peek().scalar("select dat_trzby from eet where id = ?", {id}).toString(),
             QString("2026-12-02 10:00:00"));
    // A rate that is no entry of the box: the text shows it, no entry is selected.
    const QString rejected = idOf(f, "260003");
    loadFromList(*f.till, rejected);
    QCOMPARE(f.till->panel.vatText, QString("12"));
}

void TestLoading::doubleClickBadDateStopsAfterLoading()
{
    TillFixture f([](Peek& p) {
        p.exec("insert into eet (celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby) values "
               "(10, '260009', 'x', '2026-02-30', '2026-03-01', '2026-12-01 10:00:00')");
    });
    const QString id = idOf(f, "260009");
    QVERIFY_THROWS_EXCEPTION(VornixError, loadFromList(*f.till, id));
    QCOMPARE(f.till->session.aktualni_id, id);
    QCOMPARE(f.peek().scalar("select dat_trzby from eet where id = ?", {id}).toString(),
             QString("2026-12-01 10:00:00"));
}

void TestLoading::searchLeavesPanelControls()
{
    TillFixture f(threeReceipts);
    f.till->panel.vatIndex = 2;
    f.till->panel.vatText = "10";
    f.till->panel.amountEnabled = true;
    const QString id = idOf(f, "260002");
    loadFromSearch(*f.till, id);
    QCOMPARE(f.till->session.aktualni_id, id);
    QCOMPARE(f.till->panel.vatIndex, 2);
    QCOMPARE(f.till->panel.vatText, QString("10"));
    QVERIFY(f.till->panel.amountEnabled);
    QCOMPARE(f.till->panel.od, QDate(2026, 12, 2));
    QCOMPARE(f.till->panel.do_, QDate(2026, 12, 3));
}

void TestLoading::searchEntries()
{
    TillFixture f(threeReceipts);
    const auto entries = loadSearchEntries(f.db);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].text, QString("260002,Dvořák,121 Kč,2026-12-02 10:00:00"));
    QCOMPARE(entries[1].text, QString("260003,Kříž,50 Kč,2026-12-03 10:00:00"));
    QCOMPARE(QString::number(entries[0].id), idOf(f, "260002"));
    QCOMPARE(searchSql().split('\n').size(), 2);
}

void TestLoading::errorMenuItem()
{
    TillFixture f(threeReceipts);
    QVERIFY(hasErrorText(f.db, "260003"));
    QVERIFY(!hasErrorText(f.db, "260002"));
    QVERIFY(!hasErrorText(f.db, "260001"));
    QVERIFY(!hasErrorText(f.db, "\" or 1=1 or \""));
}

QTEST_GUILESS_MAIN(TestLoading)
#include "tst_loading.moc"
