#include "core/error.h"
#include "receipts/completion.h"
#include "receipts/numbering.h"
#include "tests/support/tillfixture.h"

#include <QtTest>

namespace
{

// Types a receipt into the working row as the operator would.
void enter(TillFixture& f, qint64 total, const QString& purpose = "Ubytování")
{
    f.till->current.setValue("celk_trzba", total);
    f.till->current.setValue("ucelplatby", purpose);
}

bool complete(TillFixture& f)
{
    return nahled(*f.till, f.till->current.text("celk_trzba"), f.till->current.text("ucelplatby"));
}

} // namespace

class TestCompletion : public QObject
{
    Q_OBJECT
  private slots:
    void numbering_data();
    void numbering();
    void numberEncodingSortsAfterEarlierNumbers();
    void refusals_data();
    void refusals();
    void vatSplit_data();
    void vatSplit();
    void vatPairByEntry_data();
    void vatPairByEntry();
    void nonVatPayerLeavesVatColumns();
    void stampsUnassignedLines();
    void secondNahledOnUnsentReceipt();
    void registeredReceiptKeepsTimeOfSale();
    void silentModeMakesNoPreview();
    void failureLeavesReceiptUnnumbered();
};

void TestCompletion::numbering_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("expected");
    const QDate d26(2026, 12, 11);
    QTest::newRow("first ever") << QStringList{} << d26 << "260001";
    QTest::newRow("next after 0041") << QStringList{"260041", "260007"} << d26 << "260042";
    QTest::newRow("year change") << QStringList{"260041"} << QDate(2027, 1, 1) << "270001";
    QTest::newRow("trimmed maximum") << QStringList{" 260007", "260006"} << d26 << "260008";
    QTest::newRow("clock set back") << QStringList{"260001", "270001"} << d26 << "260002";
    QTest::newRow("clock set back, year exists")
        << QStringList{"250001", "250002", "260001"} << QDate(2025, 6, 1) << "250003";
    QTest::newRow("invoice number collides") << QStringList{"260041", "260042", "260044"} << d26 << "260045";
    QTest::newRow("foreign shape sorts later") << QStringList{"260005", "2612x", "26ZZ"} << d26 << "260006";
    QTest::newRow("gap taken by invoice") << QStringList{"260003", "260004x"} << d26 << "260004";
    QTest::newRow("past 9999") << QStringList{"269999"} << d26
                               << "2699995"
                                  "10000";
    QTest::newRow("after 10000") << QStringList{"269999", "269999510000"} << d26 << "269999510001";
}

void TestCompletion::numbering()
{
    QFETCH(QStringList, stored);
    QFETCH(QDate, today);
    QFETCH(QString, expected);
    TillFixture f([&](Peek& p) {
        for (const QString& n : stored)
            p.exec("insert into eet (celk_trzba, uctenka_cislo, dat_trzby) values (10, ?, '2026-01-01 "
                   "10:00:00')",
                   {n});
    });
    f.clock.set(QDateTime(today, QTime(12, 0)));
    enter(f, 100);
    QVERIFY(complete(f));
    QCOMPARE(f.peek()
                 .scalar("select uctenka_cislo from eet where id = ?", {f.till->session.aktualni_id})
                 .toString(),
             expected);
    QCOMPARE(f.till->panel.numberLabel, expected);
    QVERIFY(f.till->panel.numberLabelVisible);
}

void TestCompletion::numberEncodingSortsAfterEarlierNumbers()
{
    QString previous = receiptNumber("26", 1);
    for (qint64 n : {2, 9998, 9999, 10000, 10001, 99999, 100000, 1234567}) {
        const QString next = receiptNumber("26", n);
        QVERIFY2(previous < next, qPrintable(previous + " !< " + next));
        QVERIFY(next < "26:");
        QVERIFY(next.size() <= 20);
        QCOMPARE(receiptSequence("26", next), n);
        previous = next;
    }
    QCOMPARE(receiptSequence("26", "26000"), qint64(0));
    QCOMPARE(receiptSequence("26", "2699995012345"), qint64(0));
}

void TestCompletion::refusals_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("purpose");
    QTest::addColumn<QString>("message");
    QTest::newRow("zero") << "0"
                          << "Nocleh"
                          << "Nulová částka účtenky!";
    QTest::newRow("emptied total") << ""
                                   << "Nocleh"
                                   << "Nulová částka účtenky!";
    QTest::newRow("empty purpose") << "100"
                                   << ""
                                   << "Prázdný účel platby!";
}

void TestCompletion::refusals()
{
    QFETCH(QString, total);
    QFETCH(QString, purpose);
    QFETCH(QString, message);
    TillFixture f;
    f.till->panel.tiskEnabled = false;
    QVERIFY(!nahled(*f.till, total, purpose));
    QCOMPARE(f.prompt.texts(), QStringList{message});
    QVERIFY(f.prompt.shown[0].icon == PromptIcon::Information);
    QCOMPARE(f.prompt.shown[0].buttons, QStringList{"OK"});
    QVERIFY(!f.till->panel.tiskEnabled);
    QVERIFY(f.peek().scalar("select uctenka_cislo from eet").isNull());
}

void TestCompletion::vatSplit_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("vat");
    QTest::addColumn<double>("base");
    QTest::newRow("121 @21") << qint64(121) << 21 << 21.00 << 100.00;
    QTest::newRow("100 @21") << qint64(100) << 21 << 17.36 << 82.64;
    QTest::newRow("100 @15") << qint64(100) << 15 << 13.04 << 86.96;
    QTest::newRow("100 @10") << qint64(100) << 10 << 9.09 << 90.91;
    QTest::newRow("1 @21") << qint64(1) << 21 << 0.17 << 0.83;
    QTest::newRow("-100 @21") << qint64(-100) << 21 << -17.36 << -82.64;
    QTest::newRow("-5 @21") << qint64(-5) << 21 << -0.87 << -4.13;
}

void TestCompletion::vatSplit()
{
    QFETCH(qint64, total);
    QFETCH(int, rate);
    QFETCH(double, vat);
    QFETCH(double, base);
    const VatSplit s = splitVat(total, rate);
    QCOMPARE(s.vat, vat);
    QCOMPARE(s.base, base);
}

void TestCompletion::vatPairByEntry_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pair");
    QTest::newRow("first") << 0 << "21"
                           << "zakl_dan1,dan1";
    QTest::newRow("second") << 1 << "15"
                            << "zakl_dan2_sniz1,dan2_sniz1";
    QTest::newRow("third") << 2 << "10"
                           << "zakl_dan3_sniz2,dan3_sniz2";
    QTest::newRow("typed 12, none selected") << -1 << "12"
                                             << "";
    QTest::newRow("fourth entry 0") << 3 << "0"
                                    << "";
}

void TestCompletion::vatPairByEntry()
{
    QFETCH(int, entry);
    QFETCH(QString, text);
    QFETCH(QString, pair);
    TillFixture f([](Peek& p) { p.exec("update eet_nast set platce_dph = 'A'"); });
    f.till->panel.vatIndex = entry;
    f.till->panel.vatText = text;
    enter(f, 100);
    QVERIFY(complete(f));
    Peek p = f.peek();
    const auto row = p.rows("select dph, zaklad_dph, suma_dph, zakl_dan1, dan1, zakl_dan2_sniz1, dan2_sniz1, "
                            "zakl_dan3_sniz2, dan3_sniz2 from eet where id = ?",
                            {f.till->session.aktualni_id})
                         .value(0);
    const QStringList names{"dph",       "zaklad_dph",      "suma_dph",   "zakl_dan1",
                            "dan1",      "zakl_dan2_sniz1", "dan2_sniz1", "zakl_dan3_sniz2",
                            "dan3_sniz2"};
    const QStringList pairCols = pair.isEmpty() ? QStringList{} : pair.split(',');
    if (text == "0") {
        for (int i = 0; i < names.size(); ++i)
            QVERIFY2(row[i].isNull(), qPrintable(names[i]));
        return;
    }
    const VatSplit s = splitVat(100, text.toInt());
    QCOMPARE(row[0].toInt(), text.toInt());
    QCOMPARE(row[1].toDouble(), s.base);
    QCOMPARE(row[2].toDouble(), s.vat);
    for (int i = 3; i < names.size(); ++i) {
        if (pairCols.contains(names[i]))
            QCOMPARE(row[i].toDouble(), names[i].startsWith("zakl") ? s.base : s.vat);
        else
            QVERIFY2(row[i].isNull(), qPrintable(names[i]));
    }
}

void TestCompletion::nonVatPayerLeavesVatColumns()
{
    TillFixture f([](Peek& p) { p.exec("update eet set dph = 7"); });
    enter(f, 100);
    f.till->panel.vatText = "21";
    f.till->panel.vatIndex = 0;
    QVERIFY(complete(f));
    const auto row = f.peek()
                         .rows("select dph, zaklad_dph, suma_dph, zakl_dan1 from eet where id = ?",
                               {f.till->session.aktualni_id})
                         .value(0);
    QVERIFY(row[0].isNull());
    QVERIFY(row[1].isNull());
    QVERIFY(row[2].isNull());
    QVERIFY(row[3].isNull());
}

void TestCompletion::stampsUnassignedLines()
{
    TillFixture f([](Peek& p) {
        p.exec("update eet_nast set rozpis = 'A'");
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('250001', 'Starý', 1, 1, "
               "1)");
    });
    QVERIFY(f.till->novaUctenka());
    {
        Peek p = f.peek();
        p.exec("update rozpis set polozka = 'Pivo', cena = 45, ks = 2, suma = 90 where id = 2");
    }
    enter(f, 90);
    QVERIFY(complete(f));
    Peek p = f.peek();
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 0);
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo = '260001'").toInt(), 15);
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo = '250001'").toInt(), 1);
}

void TestCompletion::secondNahledOnUnsentReceipt()
{
    TillFixture f([](Peek& p) { p.exec("update eet_nast set platce_dph = 'A'"); });
    f.till->panel.vatIndex = 0;
    f.till->panel.vatText = "21";
    enter(f, 121);
    QVERIFY(complete(f));
    const QString id = f.till->session.aktualni_id;
    QCOMPARE(f.peek().scalar("select dat_trzby from eet where id = ?", {id}).toString(),
             QString("2026-12-11 10:00:00"));
    f.clock.set(QDateTime(QDate(2026, 12, 11), QTime(10, 5, 30)));
    f.till->current.setValue("celk_trzba", 200); // a changed total does not redo the split
    f.till->panel.od = QDate(2026, 12, 10);
    QVERIFY(complete(f));
    const auto row =
        f.peek()
            .rows("select uctenka_cislo, dat_trzby, zaklad_dph, suma_dph, celk_trzba, oddata from eet "
                  "where id = ?",
                  {id})
            .value(0);
    QCOMPARE(row[0].toString(), QString("260001"));
    QCOMPARE(row[1].toString(), QString("2026-12-11 10:05:30"));
    QCOMPARE(row[2].toDouble(), 100.0);
    QCOMPARE(row[3].toDouble(), 21.0);
    QCOMPARE(row[4].toInt(), 200);
    QCOMPARE(row[5].toString(), QString("2026-12-10"));
    QVERIFY(f.till->panel.numberLabelVisible);
    QCOMPARE(f.till->panel.numberLabel, QString());
    QCOMPARE(f.peek().scalar("select count(*) from eet where uctenka_cislo NOTNULL").toInt(), 1);
}

void TestCompletion::registeredReceiptKeepsTimeOfSale()
{
    TillFixture f([](Peek& p) {
        p.exec(
            "insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, "
            "dat_odesl, "
            "fik) values ('K1', 121, '260005', 'Nocleh', '2026-12-01', '2026-12-02', '2026-12-02 08:00:00', "
            "'2026-12-02 08:00:05', 'fik-1')");
    });
    const QString id = f.peek().scalar("select id from eet where uctenka_cislo = '260005'").toString();
    f.till->session.aktualni_id = id;
    f.till->current.open(id);
    f.till->panel.od = QDate(2026, 12, 1);
    f.till->panel.do_ = QDate(2026, 12, 3);
    int previews = 0;
    f.till->tiskuct = [&](int mode) {
        QCOMPARE(mode, 1);
        ++previews;
    };
    QVERIFY(complete(f));
    const auto row = f.peek().rows("select dat_trzby, dodata from eet where id = ?", {id}).value(0);
    QCOMPARE(row[0].toString(), QString("2026-12-02 08:00:00"));
    QCOMPARE(row[1].toString(), QString("2026-12-03"));
    QCOMPARE(previews, 1);
    QVERIFY(f.till->panel.tiskEnabled);
    QVERIFY(!f.till->panel.eetEnabled);
}

void TestCompletion::silentModeMakesNoPreview()
{
    TillFixture f([](Peek& p) {
        // A copy left by an earlier print of another, registered receipt.
        p.exec("create table eet_tu as select * from eet where 0");
        p.exec("insert into eet_tu (id, fik) values (99, 'stale-fik')");
    });
    f.till->session.tichy_rezim = true;
    int previews = 0;
    f.till->tiskuct = [&](int) { ++previews; };
    enter(f, 100);
    QVERIFY(complete(f));
    QCOMPARE(previews, 0);
    QVERIFY(f.till->panel.tiskEnabled);
    QVERIFY2(f.till->panel.eetEnabled, "an unregistered receipt must stay ready for EET in silent mode");
    QCOMPARE(f.peek()
                 .scalar("select uctenka_cislo from eet where id = ?", {f.till->session.aktualni_id})
                 .toString(),
             QString("260001"));
}

void TestCompletion::failureLeavesReceiptUnnumbered()
{
    TillFixture f([](Peek& p) {
        p.exec("update eet_nast set platce_dph = 'A', rozpis = 'A'");
        p.exec(
            "create trigger refuse_split before update of zaklad_dph on eet begin select raise(abort, 'disk "
            "full'); end");
    });
    QVERIFY(f.till->novaUctenka());
    f.till->panel.vatIndex = 0;
    f.till->panel.vatText = "21";
    enter(f, 121);
    QVERIFY_THROWS_EXCEPTION(VornixError, complete(f));
    Peek p = f.peek();
    QVERIFY(p.scalar("select uctenka_cislo from eet where id = ?", {f.till->session.aktualni_id}).isNull());
    QCOMPARE(p.scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 15);
    QVERIFY(f.till->current.isNull("uctenka_cislo"));
    // The typed values were posted before the numbering and stay.
    QCOMPARE(p.scalar("select celk_trzba from eet where id = ?", {f.till->session.aktualni_id}).toInt(), 121);
}

QTEST_GUILESS_MAIN(TestCompletion)
#include "tst_completion.moc"
