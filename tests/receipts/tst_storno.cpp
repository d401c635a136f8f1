#include "core/error.h"
#include "receipts/completion.h"
#include "receipts/storno.h"
#include "tests/support/tillfixture.h"

#include <QtTest>

namespace
{

// 260001 registered (121, Nájem, rate 21); 260002 never sent; 260003 a storno of 260001
// (negative, registered); 260004 sent but rejected (no FIK). Lines for 260004 and 260002.
void receipts(Peek& p)
{
    p.exec(
        "insert into eet (idkasa, celk_trzba, uctenka_cislo, jmeno, ucelplatby, oddata, dodata, dat_trzby, "
        "dat_odesl, pkp, bkp, fik, dat_prijeti, zprava_xml, uuid_zpravy, prvni_zaslani, dph, zaklad_dph, "
        "suma_dph, zakl_dan1, dan1) values ('K7', 121, '260001', 'Novák', 'Nájem', '2026-12-01', "
        "'2026-12-05', "
        "'2026-12-01 10:00:00', '2026-12-01 10:00:01', 'pkp1', 'bkp1', 'fik-1', '2026-12-01 10:00:02', "
        "'<xml/>', "
        "'uuid-1', 'A', 21, 100, 21, 100, 21)");
    p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, dph) "
           "values ('K1', 50, '260002', 'Parkování', '2026-12-02', '2026-12-02', '2026-12-02 10:00:00', 0)");
    p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, "
           "dat_odesl, "
           "fik) values ('K1', -121, '260003', 'Nájem - storno - 260001', '2026-12-01', '2026-12-05', "
           "'2026-12-03 10:00:00', '2026-12-03 10:00:01', 'fik-3')");
    p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, "
           "dat_odesl, "
           "pkp, chyba, dph) values ('K1', 80, '260004', 'Snídaně', '2026-12-04', '2026-12-04', "
           "'2026-12-04 10:00:00', '2026-12-04 10:00:01', 'pkp4', 'Chyba -1', 15)");
    p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('260004', 'Snídaně', 80, 1, "
           "80), "
           "('260004', '', 0, 0, 0), ('260002', 'Parkování', 50, 1, 50)");
}

void vatPayer(Peek& p)
{
    receipts(p);
    p.exec("update eet_nast set platce_dph = 'A'");
}

QString idOf(TillFixture& f, const QString& number)
{
    return f.peek().scalar("select id from eet where uctenka_cislo = ?", {number}).toString();
}

qint64 receiptCount(TillFixture& f)
{
    return f.peek().scalar("select count(*) from eet").toLongLong();
}

} // namespace

class TestStorno : public QObject
{
    Q_OBJECT
  private slots:
    void stornoRefusals_data();
    void stornoRefusals();
    void stornoOfRegisteredReceipt();
    void stornoTakesNoLinesOfTheDiscardedReceipt();
    void stornoOfRejectedReceipt();
    void twoStornosOfOneReceipt();
    void stornoSplitForVatPayer();
    void stornoFailureChangesNothing();
    void deleteRefusals_data();
    void deleteRefusals();
    void deleteAnsweredStorno();
    void deleteLastInPanel();
    void deleteLastNotInPanel();
};

void TestStorno::stornoRefusals_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("never sent") << "260002"
                                << "Pouze k ODESLANÉ účtence lze vytvořit storno!";
    QTest::newRow("storno of a storno") << "260003"
                                        << "Pouze ke KLADNÉ účtence lze vytvořit storno!";
}

void TestStorno::stornoRefusals()
{
    QFETCH(QString, number);
    QFETCH(QString, message);
    TillFixture f(receipts);
    const QString working = f.till->session.aktualni_id;
    const qint64 before = receiptCount(f);
    QVERIFY(!stornoUctenky(*f.till, idOf(f, number)));
    QCOMPARE(f.prompt.texts(), QStringList{message});
    QVERIFY(f.prompt.shown[0].icon == PromptIcon::Information);
    QCOMPARE(f.prompt.shown[0].buttons, QStringList{"OK"});
    QCOMPARE(receiptCount(f), before);
    QCOMPARE(f.till->session.aktualni_id, working);
    QCOMPARE(f.peek().scalar("select count(*) from sqlite_master where name = 'eet_tu'").toInt(), 0);
}

void TestStorno::stornoOfRegisteredReceipt()
{
    TillFixture f(receipts);
    // The operator was typing a receipt: it is discarded by the storno.
    f.till->current.setValue("jmeno", "Rozepsáno");
    f.till->current.post();
    const qint64 before = receiptCount(f);
    f.till->panel.numberLabel = "260004";
    f.till->panel.numberLabelVisible = true;
    f.till->panel.amountEnabled = true;
    f.till->panel.vatEnabled = true;

    QVERIFY(stornoUctenky(*f.till, idOf(f, "260001")));
    QVERIFY(f.prompt.shown.isEmpty());
    const QString id = f.till->session.aktualni_id;
    // SQLite may give the new row the deleted working row's id; its content is gone either way.
    QCOMPARE(f.peek().scalar("select count(*) from eet where jmeno = 'Rozepsáno'").toInt(), 0);
    QCOMPARE(f.peek().scalar("select count(*) from eet where celk_trzba = 0").toInt(), 0);
    QCOMPARE(receiptCount(f), before); // one row deleted, one inserted
    QCOMPARE(id, f.peek().scalar("select max(id) from eet").toString());

    const QList<QVariantList> row = f.peek().rows(
        "select idkasa, celk_trzba, ucelplatby, jmeno, oddata, dodata, dph, uctenka_cislo, dat_trzby, "
        "dat_odesl, "
        "fik, pkp, bkp, uuid_zpravy, prvni_zaslani, zprava_xml, dat_prijeti, chyba, zaklad_dph, suma_dph, "
        "zakl_dan1, dan1 from eet where id = ?",
        {id});
    QCOMPARE(row.size(), 1);
    const QVariantList& r = row[0];
    QCOMPARE(r[0].toString(), QString("K7"));
    QCOMPARE(r[1].toLongLong(), qint64(-121));
    QCOMPARE(r[2].toString(), QString("Nájem - storno - 260001"));
    QCOMPARE(r[3].toString(), QString("Novák"));
    QCOMPARE(r[4].toString(), QString("2026-12-01"));
    QCOMPARE(r[5].toString(), QString("2026-12-05"));
    QCOMPARE(r[6].toInt(), 21); // the cancelled receipt's rate is kept
    for (int i = 7; i < r.size(); ++i)
        QVERIFY2(r[i].isNull(), qPrintable(QString::number(i)));

    // The cancelled receipt is unchanged.
    QCOMPARE(f.peek().scalar("select fik from eet where uctenka_cislo = '260001'").toString(),
             QString("fik-1"));
    QCOMPARE(f.peek().scalar("select celk_trzba from eet where uctenka_cislo = '260001'").toInt(), 121);
    // The scratch copy holds the storno as inserted.
    QCOMPARE(f.peek().scalar("select celk_trzba from eet_tu").toInt(), -121);

    // The receipt panel shows it, ready for "náhled".
    QCOMPARE(f.till->current.id(), id);
    QCOMPARE(f.till->current.text("ucelplatby"), QString("Nájem - storno - 260001"));
    QCOMPARE(f.till->panel.od, QDate(2026, 12, 1));
    QCOMPARE(f.till->panel.do_, QDate(2026, 12, 5));
    QVERIFY(f.till->panel.numberLabel.isEmpty());
    QVERIFY(!f.till->panel.numberLabelVisible);
    QVERIFY(!f.till->panel.amountEnabled);
    QVERIFY(!f.till->panel.vatEnabled);

    // Completion numbers it as the next receipt.
    QVERIFY(nahled(*f.till, f.till->current.text("celk_trzba"), f.till->current.text("ucelplatby")));
    QCOMPARE(f.peek().scalar("select uctenka_cislo from eet where id = ?", {id}).toString(),
             QString("260005"));
}

void TestStorno::stornoTakesNoLinesOfTheDiscardedReceipt()
{
    TillFixture f([](Peek& p) {
        receipts(p);
        p.exec("update eet_nast set rozpis = 'A'");
    });
    QVERIFY(f.till->novaUctenka());
    f.peek().exec("update rozpis set polozka = 'Rozepsaná káva', cena = 45, ks = 1, suma = 45 where id = "
                  "(select min(id) from rozpis where uctenka_cislo ISNULL)");
    QVERIFY(stornoUctenky(*f.till, idOf(f, "260001")));
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 0);
    QVERIFY(nahled(*f.till, f.till->current.text("celk_trzba"), f.till->current.text("ucelplatby")));
    const QString number = f.till->current.text("uctenka_cislo");
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo = ?", {number}).toInt(), 0);
    // The next receipt gets its blank lines again.
    QVERIFY(f.till->novaUctenka());
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 15);
}

void TestStorno::stornoOfRejectedReceipt()
{
    TillFixture f(receipts);
    QVERIFY(stornoUctenky(*f.till, idOf(f, "260004")));
    QCOMPARE(f.till->current.value("celk_trzba").toLongLong(), qint64(-80));
    QCOMPARE(f.till->current.text("ucelplatby"), QString("Snídaně - storno - 260004"));
    QVERIFY(f.till->current.isNull("chyba"));
    QVERIFY(f.till->current.isNull("pkp"));
}

void TestStorno::twoStornosOfOneReceipt()
{
    TillFixture f(receipts);
    const QString cancelled = idOf(f, "260001");
    QVERIFY(stornoUctenky(*f.till, cancelled));
    const QString first = f.till->session.aktualni_id;
    QVERIFY(stornoUctenky(*f.till, cancelled));
    const QString second = f.till->session.aktualni_id;
    QVERIFY(first != second);
    QCOMPARE(
        f.peek().scalar("select count(*) from eet where celk_trzba = -121 and uctenka_cislo ISNULL").toInt(),
        2);
}

void TestStorno::stornoSplitForVatPayer()
{
    TillFixture f(vatPayer);
    f.till->panel.vatText = "10";
    f.till->panel.vatIndex = 2;
    QVERIFY(stornoUctenky(*f.till, idOf(f, "260001")));
    QCOMPARE(f.till->panel.vatText, QString("21"));
    QCOMPARE(f.till->panel.vatIndex, 0);
    QVERIFY(!f.till->panel.vatEnabled);

    const QString id = f.till->session.aktualni_id;
    QVERIFY(nahled(*f.till, f.till->current.text("celk_trzba"), f.till->current.text("ucelplatby")));
    const QList<QVariantList> r =
        f.peek().rows("select dph, zaklad_dph, suma_dph, zakl_dan1, dan1 from eet where id = ?", {id});
    QCOMPARE(r[0][0].toInt(), 21);
    QCOMPARE(r[0][1].toDouble(), -100.0);
    QCOMPARE(r[0][2].toDouble(), -21.0);
    QCOMPARE(r[0][3].toDouble(), -100.0);
    QCOMPARE(r[0][4].toDouble(), -21.0);

    // The rejected receipt's rate 15 selects the second entry.
    QVERIFY(stornoUctenky(*f.till, idOf(f, "260004")));
    QCOMPARE(f.till->panel.vatText, QString("15"));
    QCOMPARE(f.till->panel.vatIndex, 1);
}

void TestStorno::stornoFailureChangesNothing()
{
    TillFixture f(receipts);
    const QString working = f.till->session.aktualni_id;
    const qint64 before = receiptCount(f);
    // The insert of the storno fails after the working row was deleted.
    f.peek().exec("create trigger vx_fail before insert on eet when new.celk_trzba < 0 "
                  "begin select raise(abort, 'injected'); end");
    QVERIFY_THROWS_EXCEPTION(VornixError, stornoUctenky(*f.till, idOf(f, "260001")));
    QCOMPARE(receiptCount(f), before);
    QCOMPARE(f.peek().scalar("select count(*) from eet where id = ? and celk_trzba = 0", {working}).toInt(),
             1);
    QCOMPARE(f.till->session.aktualni_id, working);
}

void TestStorno::deleteRefusals_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("lastRegistered");
    QTest::addColumn<QString>("message");
    QTest::newRow("not the last, never sent") << "260002" << false << "Pouze POSLEDNÍ účtenku lze zrušit!";
    QTest::newRow("not the last, registered") << "260001" << false << "Pouze POSLEDNÍ účtenku lze zrušit!";
    QTest::newRow("last with FIK") << "260004" << true << "Pouze poslední NEPŘIJATOU účtenku lze zrušit!";
}

void TestStorno::deleteRefusals()
{
    QFETCH(QString, number);
    QFETCH(bool, lastRegistered);
    QFETCH(QString, message);
    TillFixture f(receipts);
    if (lastRegistered)
        f.peek().exec("update eet set fik = 'fik-4', chyba = NULL where uctenka_cislo = '260004'");
    const qint64 before = receiptCount(f);
    QVERIFY(zrusitUctenku(*f.till, idOf(f, number)) == DeleteOutcome::Refused);
    QCOMPARE(f.prompt.texts(), QStringList{message});
    QCOMPARE(f.prompt.shown[0].buttons, QStringList{"zpět"});
    QCOMPARE(receiptCount(f), before);
}

void TestStorno::deleteAnsweredStorno()
{
    TillFixture f(receipts);
    f.prompt.answers = {2};
    const qint64 before = receiptCount(f);
    QVERIFY(zrusitUctenku(*f.till, idOf(f, "260004")) == DeleteOutcome::Kept);
    QCOMPARE(f.prompt.texts(), QStringList{"Skutečně účtenku smazat?!"});
    QVERIFY(f.prompt.shown[0].icon == PromptIcon::Question);
    QCOMPARE(f.prompt.shown[0].buttons, (QStringList{"smazat", "storno"}));
    QCOMPARE(receiptCount(f), before);
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo = '260004'").toInt(), 2);
}

void TestStorno::deleteLastInPanel()
{
    TillFixture f(receipts);
    const QString id = idOf(f, "260004");
    f.till->session.aktualni_id = id;
    f.till->current.open(id);
    f.till->panel.numberLabel = "260004";
    f.till->panel.numberLabelVisible = true;

    QVERIFY(zrusitUctenku(*f.till, id) == DeleteOutcome::Deleted);
    QCOMPARE(f.prompt.texts(), QStringList{"Skutečně účtenku smazat?!"}); // no "Rozpracovaná účtenka!"
    QCOMPARE(f.peek().scalar("select count(*) from eet where uctenka_cislo = '260004'").toInt(), 0);
    // Its lines are gone with it; the other receipts' lines stay.
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo = '260004'").toInt(), 0);
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo = '260002'").toInt(), 1);
    // "nová účtenka" ran: the panel holds a working row.
    QVERIFY(f.till->session.aktualni_id != id);
    QCOMPARE(
        f.peek().scalar("select celk_trzba from eet where id = ?", {f.till->session.aktualni_id}).toInt(), 0);
    QCOMPARE(f.till->current.id(), f.till->session.aktualni_id);
    QVERIFY(!f.till->panel.numberLabelVisible);

    // The next completion takes the number again and finds no lines of the deleted receipt.
    f.till->current.setValue("celk_trzba", 10);
    f.till->current.setValue("ucelplatby", "Káva");
    QVERIFY(nahled(*f.till, "10", "Káva"));
    QCOMPARE(f.till->panel.numberLabel, QString("260004"));
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo = '260004'").toInt(), 0);
}

void TestStorno::deleteLastNotInPanel()
{
    TillFixture f(receipts);
    const QString working = f.till->session.aktualni_id;
    QVERIFY(zrusitUctenku(*f.till, idOf(f, "260004")) == DeleteOutcome::Deleted);
    QCOMPARE(f.till->session.aktualni_id, working);
    QCOMPARE(f.peek().scalar("select count(*) from eet where uctenka_cislo = '260004'").toInt(), 0);
    // Now 260003 is the last receipt, and it has a FIK.
    QVERIFY(zrusitUctenku(*f.till, idOf(f, "260003")) == DeleteOutcome::Refused);
    QCOMPARE(f.prompt.texts().last(), QString("Pouze poslední NEPŘIJATOU účtenku lze zrušit!"));
}

QTEST_GUILESS_MAIN(TestStorno)
#include "tst_storno.moc"
