#include "core/error.h"
#include "core/till.h"
#include "db/database.h"
#include "tests/support/tillfixture.h"

#include <QtTest>

using Lines = QList<QPair<double, double>>;

using Fixture = TillFixture;

class TestEntry : public QObject
{
    Q_OBJECT
  private slots:
    void startCreatesWorkingRow();
    void startReusesUnnumberedReceipt();
    void startTakesNewestOfTwoWorkingRows();
    void startWithoutSettingsRow();
    void nonVatPayerBoxReadsZero();
    void untouchedRowIsReused();
    void typedPayerAsksAndStornoChangesNothing();
    void smazatClearsTheSameRow();
    void completedReceiptGetsNewWorkingRow();
    void itemisedPreparesFifteenBlankLines();
    void itemisedBlanksExistingLines();
    void notItemisedLeavesRozpisAlone();
    void usualRateSelectsSecondEntry();
    void missingRegisterIdStops();
    void hostileTextsStoredExactly();
    void malformedStoredTextShowsReplacement();
    void totalFromBreakdown_data();
    void totalFromBreakdown();
    void totalFromBreakdownWithoutLines();
    void listDateBoundaries();
};

void TestEntry::startCreatesWorkingRow()
{
    Fixture f;
    Peek p = f.peek();
    const auto rows =
        p.rows("select id, idkasa, celk_trzba, ucelplatby, oddata, dodata, jmeno, uctenka_cislo from eet");
    QCOMPARE(rows.size(), 1);
    const auto& r = rows.first();
    QCOMPARE(r[1].toString(), QString("K1"));
    QCOMPARE(r[2].toInt(), 0);
    QCOMPARE(r[3].toString(), QString("Ubytování"));
    QCOMPARE(r[4].toString(), QString("2026-12-11"));
    QCOMPARE(r[5].toString(), QString("2026-12-11"));
    QVERIFY(!r[6].isNull());
    QCOMPARE(r[6].toString(), QString(""));
    QVERIFY(r[7].isNull());
    QCOMPARE(f.till->session.aktualni_id, r[0].toString());
    QCOMPARE(f.till->current.sql(), "select * from eet where id = " + r[0].toString());
    QVERIFY(f.till->panel.nahledEnabled);
    QVERIFY(!f.till->panel.tiskEnabled);
    QVERIFY(!f.till->panel.eetEnabled);
    QVERIFY(!f.till->panel.registerEnabled);
    QCOMPARE(f.till->rangeFrom, QDate(2026, 12, 1));
    QCOMPARE(f.till->rangeTo, QDate(2026, 12, 11));
}

void TestEntry::startReusesUnnumberedReceipt()
{
    Fixture f([](Peek& p) {
        p.exec("insert into eet (idkasa, celk_trzba, ucelplatby, jmeno, oddata, dodata, uctenka_cislo, "
               "dat_trzby) "
               "values ('K1', 500, 'Nocleh', 'Novák', '2026-01-01', '2026-01-02', '260001', '2026-01-02 "
               "10:00:00')");
        p.exec("insert into eet (idkasa, celk_trzba, ucelplatby, jmeno, oddata, dodata) "
               "values ('K1', 250, 'Snídaně', 'Dvořák', '2026-11-01', '2026-11-02')");
    });
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from eet").toInt(), 2);
    const auto r = p.rows("select id, celk_trzba, ucelplatby, oddata, dodata from eet where id = 2").value(0);
    QCOMPARE(f.till->session.aktualni_id, QString("2"));
    QCOMPARE(r[1].toInt(), 250);
    QCOMPARE(r[2].toString(), QString("Snídaně"));
    QCOMPARE(r[3].toString(), QString("2026-12-11"));
    QCOMPARE(r[4].toString(), QString("2026-12-11"));
}

void TestEntry::startTakesNewestOfTwoWorkingRows()
{
    Fixture f([](Peek& p) {
        p.exec(
            "insert into eet (idkasa, celk_trzba, jmeno, oddata, dodata) values ('K1', 0, '', '2026-01-01', "
            "'2026-01-01')");
        p.exec(
            "insert into eet (idkasa, celk_trzba, jmeno, oddata, dodata) values ('K1', 0, '', '2026-01-01', "
            "'2026-01-01')");
    });
    QCOMPARE(f.till->session.aktualni_id, QString("2"));
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from eet").toInt(), 2);
    QCOMPARE(p.scalar("select oddata from eet where id = 1").toString(), QString("2026-01-01"));
}

void TestEntry::startWithoutSettingsRow()
{
    Fixture f([](Peek& p) { p.exec("delete from eet_nast"); });
    QCOMPARE(f.till->session.nast_ucel, QString());
    QCOMPARE(f.till->session.nast_uctenkova, QString("N"));
    QCOMPARE(f.till->session.nast_dphz, QString("21"));
    QCOMPARE(f.till->session.nast_od_do, QString("A"));
    QCOMPARE(f.till->session.nast_rozpis, QString("N"));
    QCOMPARE(f.till->panel.vatItems, QStringList{"0"});
    QCOMPARE(f.till->panel.vatText, QString("0"));
    QVERIFY(!f.till->panel.vatVisible);
    QCOMPARE(f.till->panel.registerId, QString());
}

void TestEntry::nonVatPayerBoxReadsZero()
{
    Fixture f;
    QCOMPARE(f.till->panel.vatItems, (QStringList{"21", "15", "10", "0"}));
    QVERIFY(!f.till->panel.vatVisible);
    QVERIFY(!f.till->panel.vatEnabled);
    QCOMPARE(f.till->panel.vatIndex, 3);
    QCOMPARE(f.till->panel.vatText, QString("0"));
}

void TestEntry::untouchedRowIsReused()
{
    Fixture f;
    const QString id = f.till->session.aktualni_id;
    f.till->current.setValue("ucelplatby", "Parkování");
    QVERIFY(f.till->novaUctenka());
    QVERIFY(f.prompt.shown.isEmpty());
    QCOMPARE(f.till->session.aktualni_id, id);
    QCOMPARE(f.till->panel.od, QDate(2026, 12, 11));
    QVERIFY(f.till->panel.nahledEnabled);
    QVERIFY(!f.till->panel.tiskEnabled);
    QVERIFY(!f.till->panel.numberLabelVisible);
    QCOMPARE(f.peek().scalar("select count(*) from eet").toInt(), 1);
}

void TestEntry::typedPayerAsksAndStornoChangesNothing()
{
    Fixture f;
    f.till->current.setValue("jmeno", "Novák");
    f.till->panel.tiskEnabled = true; // whatever the buttons were, they stay
    f.prompt.answers = {2};
    QVERIFY(!f.till->novaUctenka());
    QCOMPARE(f.prompt.shown.size(), 1);
    QCOMPARE(f.prompt.shown[0].text, QString("Rozpracovaná účtenka! Smazat?"));
    QCOMPARE(f.prompt.shown[0].buttons, (QStringList{"smazat", "storno"}));
    QVERIFY(f.prompt.shown[0].icon == PromptIcon::Question);
    QVERIFY(f.till->panel.tiskEnabled);
    QCOMPARE(f.till->current.text("jmeno"), QString("Novák"));
}

void TestEntry::smazatClearsTheSameRow()
{
    Fixture f;
    const QString id = f.till->session.aktualni_id;
    f.till->current.setValue("jmeno", "Novák");
    f.till->current.setValue("celk_trzba", 300);
    f.till->current.post();
    f.prompt.answers = {1};
    QVERIFY(f.till->novaUctenka());
    QCOMPARE(f.till->session.aktualni_id, id);
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from eet").toInt(), 1);
    const auto r = p.rows("select celk_trzba, jmeno, ucelplatby from eet").value(0);
    QCOMPARE(r[0].toInt(), 0);
    QVERIFY(r[1].isNull());
    QVERIFY(r[2].isNull());
}

void TestEntry::completedReceiptGetsNewWorkingRow()
{
    Fixture f;
    {
        Peek p = f.peek();
        p.exec(
            "update eet set celk_trzba = 121, uctenka_cislo = '260001', dat_trzby = '2026-12-11 09:00:00'");
    }
    f.till->current.refresh();
    QVERIFY(f.till->novaUctenka());
    QVERIFY(f.prompt.shown.isEmpty());
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from eet").toInt(), 2);
    const auto r =
        p.rows("select id, idkasa, ucelplatby, oddata, dodata, jmeno from eet where celk_trzba = 0").value(0);
    QCOMPARE(f.till->session.aktualni_id, r[0].toString());
    QCOMPARE(r[1].toString(), QString("K1"));
    QCOMPARE(r[2].toString(), QString("Ubytování"));
    QCOMPARE(r[3].toString(), QString("2026-12-11"));
    QCOMPARE(r[4].toString(), QString("2026-12-11"));
    QCOMPARE(r[5].toString(), QString(""));
}

void TestEntry::itemisedPreparesFifteenBlankLines()
{
    Fixture f([](Peek& p) { p.exec("update eet_nast set rozpis = 'A'"); });
    QVERIFY(f.till->panel.breakdownVisible);
    QVERIFY(!f.till->panel.amountEnabled);
    QVERIFY(f.till->novaUctenka());
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo ISNULL and polozka = '' and cena = 0 "
                      "and ks = 0 "
                      "and suma = 0")
                 .toInt(),
             15);
    QVERIFY(!f.till->panel.amountEnabled);
}

void TestEntry::itemisedBlanksExistingLines()
{
    Fixture f([](Peek& p) {
        p.exec("update eet_nast set rozpis = 'A'");
        for (int i = 0; i < 20; ++i)
            p.exec("insert into rozpis (polozka, cena, ks, suma) values ('Pivo', 45, 2, 90)");
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('260001', 'Víno', 80, 1, "
               "80)");
    });
    QVERIFY(f.till->novaUctenka());
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 20);
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo ISNULL and polozka = '' and suma = 0")
                 .toInt(),
             20);
    QCOMPARE(p.scalar("select polozka from rozpis where uctenka_cislo = '260001'").toString(),
             QString("Víno"));
}

void TestEntry::notItemisedLeavesRozpisAlone()
{
    Fixture f(
        [](Peek& p) { p.exec("insert into rozpis (polozka, cena, ks, suma) values ('Pivo', 45, 2, 90)"); });
    QVERIFY(f.till->novaUctenka());
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from rozpis").toInt(), 1);
    QCOMPARE(p.scalar("select polozka from rozpis").toString(), QString("Pivo"));
    QVERIFY(f.till->panel.amountEnabled);
}

void TestEntry::usualRateSelectsSecondEntry()
{
    Fixture f([](Peek& p) { p.exec("update eet_nast set platce_dph = 'A', dphz = 15"); });
    QVERIFY(f.till->panel.vatVisible);
    QCOMPARE(f.till->panel.vatIndex, 0);
    QVERIFY(f.till->novaUctenka());
    QCOMPARE(f.till->panel.vatIndex, 1);
    QCOMPARE(f.till->panel.vatText, QString("15"));
    QVERIFY(f.till->panel.vatEnabled);
}

void TestEntry::missingRegisterIdStops()
{
    Fixture f;
    f.till->panel.registerId.clear();
    {
        Peek p = f.peek();
        p.exec(
            "update eet set celk_trzba = 121, uctenka_cislo = '260001', dat_trzby = '2026-12-11 09:00:00'");
    }
    f.till->current.refresh();
    QVERIFY(!f.till->novaUctenka());
    QCOMPARE(f.prompt.texts(), QStringList{"Není identifikace pokladny!"});
    QVERIFY(!f.till->panel.nahledEnabled);
    QVERIFY(!f.till->panel.tiskEnabled);
    QVERIFY(!f.till->panel.eetEnabled);
    QCOMPARE(f.peek().scalar("select count(*) from eet").toInt(), 1);
}

void TestEntry::hostileTextsStoredExactly()
{
    const QString hostile = "O\"Brien; drop table eet;--";
    const QString purpose = "Nocleh ' \" \\ ; -- 'x'); delete from eet_nast; --";
    Fixture f([&](Peek& p) {
        p.exec("update eet_nast set ucel = ?, idkasa = ?", QVariantList{purpose, QString("K\"1")});
    });
    Peek p = f.peek();
    QCOMPARE(p.scalar("select ucelplatby from eet").toString(), purpose);
    QCOMPARE(p.scalar("select idkasa from eet").toString(), QString("K\"1"));
    f.till->current.setValue("jmeno", hostile);
    f.till->current.post();
    QCOMPARE(p.scalar("select jmeno from eet").toString(), hostile);
    QCOMPARE(p.scalar("select typeof(jmeno) from eet").toString(), QString("text"));
    QCOMPARE(p.scalar("select hex(jmeno) from eet").toString(), QString(hostile.toUtf8().toHex().toUpper()));
    QCOMPARE(p.scalar("select count(*) from eet_nast").toInt(), 1);
    f.till->current.refresh();
    QCOMPARE(f.till->current.text("jmeno"), hostile);
}

void TestEntry::malformedStoredTextShowsReplacement()
{
    Fixture f([](Peek& p) {
        p.exec("insert into eet (idkasa, celk_trzba, jmeno, ucelplatby, oddata, dodata) values "
               "('K1', 0, cast(X'4CED7079' as text), cast(X'C5A1C5' as text), '2026-12-11', '2026-12-11')");
    });
    QCOMPARE(f.till->current.text("jmeno"), QString("L") + QChar(0xFFFD) + "py");
    QCOMPARE(f.till->current.text("ucelplatby"), QString("š") + QChar(0xFFFD));
}

void TestEntry::totalFromBreakdown_data()
{
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<qint64>("total");
    using L = Lines;
    QTest::newRow("2 x 10.25 + 1 x 0.5") << L{{10.25, 2}, {0.5, 1}} << qint64(21);
    QTest::newRow("half up") << L{{10.5, 1}} << qint64(11);
    QTest::newRow("below half") << L{{10.49, 1}} << qint64(10);
    QTest::newRow("negative half away") << L{{-2.5, 1}} << qint64(-3);
    QTest::newRow("blank lines count zero") << L{{0, 0}, {33.3, 3}, {0, 0}} << qint64(100);
}

void TestEntry::totalFromBreakdown()
{
    QFETCH(Lines, lines);
    QFETCH(qint64, total);
    Fixture f([&](Peek& p) {
        p.exec("update eet_nast set rozpis = 'A'");
        for (const auto& l : lines)
            p.exec("insert into rozpis (polozka, cena, ks, suma) values ('x', ?, ?, 0)",
                   QVariantList{l.first, l.second});
        p.exec(
            "insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('260001', 'y', 1000, 1, 0)");
    });
    f.till->totalFromBreakdown();
    QCOMPARE(f.till->current.value("celk_trzba").toLongLong(), total);
    QVERIFY(f.till->current.isEditing());
    Peek p = f.peek();
    QCOMPARE(p.scalar("select celk_trzba from eet").toInt(), 0); // pending, not posted
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo ISNULL and suma <> cena * ks").toInt(),
             0);
    QCOMPARE(p.scalar("select suma from rozpis where uctenka_cislo = '260001'").toDouble(), 0.0);
    if (QTest::currentDataTag() == QByteArray("2 x 10.25 + 1 x 0.5")) {
        QCOMPARE(p.rows("select suma from rozpis where uctenka_cislo ISNULL order by id")
                     .value(0)
                     .value(0)
                     .toDouble(),
                 20.5);
    }
}

void TestEntry::totalFromBreakdownWithoutLines()
{
    Fixture f;
    f.till->current.setValue("celk_trzba", 77);
    QVERIFY_THROWS_EXCEPTION(VornixError, f.till->totalFromBreakdown());
    QCOMPARE(f.till->current.value("celk_trzba").toLongLong(), qint64(77));
}

void TestEntry::listDateBoundaries()
{
    Fixture f([](Peek& p) {
        p.exec("insert into eet (celk_trzba, uctenka_cislo, dat_trzby) values (10, '260002', '2026-12-11 "
               "23:59:59')");
        p.exec("insert into eet (celk_trzba, uctenka_cislo, dat_trzby) values (10, '260003', '2026-12-12 "
               "00:00:00')");
        p.exec("insert into eet (celk_trzba, uctenka_cislo, dat_trzby) values (10, '260001', '2026-12-01 "
               "00:00:00')");
        p.exec("insert into eet (celk_trzba, uctenka_cislo, dat_trzby) values (10, '251000', '2026-11-30 "
               "23:59:59')");
        p.exec(
            "insert into eet (celk_trzba, uctenka_cislo, dat_trzby) values (0, NULL, '2026-12-05 10:00:00')");
    });
    const QString sql = f.till->listSql();
    QCOMPARE(sql.split('\n').size(), 3);
    QCOMPARE(sql.split('\n').at(1),
             QString("dat_trzby >= \"2026-12-01 00:00:00\" and dat_trzby <= \"2026-12-11 23:59:59\" and "));
    QCOMPARE(sql.split('\n').at(2), QString("celk_trzba <> 0 order by uctenka_cislo"));
    QStringList numbers;
    QSqlQuery q = db::exec(f.db, sql);
    while (q.next())
        numbers << q.value("uctenka_cislo").toString();
    QCOMPARE(numbers, (QStringList{"260001", "260002"}));
}

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
