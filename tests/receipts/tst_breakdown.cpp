#include "core/error.h"
#include "receipts/breakdown.h"
#include "tests/support/tillfixture.h"

#include <QtTest>

namespace
{

void itemised(Peek& p)
{
    p.exec("update eet_nast set rozpis = 'A'");
}

void addLines(Peek& p, const QVariant& number, int n, const QString& item = "", double price = 0,
              double qty = 0)
{
    for (int i = 0; i < n; ++i)
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values (?, ?, ?, ?, ?)",
               {number, item, price, qty, price * qty});
}

// Shows the receipt with this number in the panel, as the list's double-click leaves it.
void showNumbered(TillFixture& f, const QString& number)
{
    f.till->panel.numberLabel = number;
    f.till->panel.numberLabelVisible = true;
}

QList<QVariantList> linesOf(TillFixture& f, const QString& number)
{
    if (number.isEmpty())
        return f.peek().rows(
            "select id, polozka, cena, ks from rozpis where uctenka_cislo ISNULL order by id");
    return f.peek().rows("select id, polozka, cena, ks from rozpis where uctenka_cislo = ? order by id",
                         {number});
}

qint64 countOf(TillFixture& f, const QString& number)
{
    return linesOf(f, number).size();
}

} // namespace

class TestBreakdown : public QObject
{
    Q_OBJECT
  private slots:
    void openingCounts_data();
    void openingCounts();
    void stornoRestoresLinesWithIds_data();
    void stornoRestoresLinesWithIds();
    void restoreFailureLosesNothing();
    void saveWritesPendingEdit();
    void titleBarCloseRestoresNothing();
    void savedLinesGiveTotal();
    void lookupRules();
    void lookupTakesStoredTextUnchanged();
    void readOnlyWithPkp();
    void numbers_data();
    void numbers();
    void typedNumbers_data();
    void typedNumbers();
};

void TestBreakdown::openingCounts_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("existing");
    QTest::addColumn<int>("shown");
    QTest::newRow("entering, no lines") << "" << 0 << 15;
    QTest::newRow("entering, 20 kept") << "" << 20 << 20;
    QTest::newRow("numbered, 3 lines") << "260001" << 3 << 16;
    QTest::newRow("numbered, 16 lines") << "260001" << 16 << 16;
    QTest::newRow("numbered, 18 lines") << "260001" << 18 << 18;
    QTest::newRow("drop-file receipt, no lines") << "260001" << 0 << 16;
}

void TestBreakdown::openingCounts()
{
    QFETCH(QString, number);
    QFETCH(int, existing);
    QFETCH(int, shown);
    TillFixture f([&](Peek& p) {
        itemised(p);
        addLines(p, number.isEmpty() ? QVariant() : QVariant(number), existing, "Káva", 45, 1);
        // Lines of other receipts, and unassigned ones beside a numbered receipt, stay as they are.
        addLines(p, "260009", 2, "Čaj", 30, 1);
        if (!number.isEmpty())
            addLines(p, QVariant(), 4);
    });
    if (!number.isEmpty())
        showNumbered(f, number);
    Breakdown b(*f.till);
    b.open();
    QCOMPARE(b.count(), shown);
    QCOMPARE(countOf(f, number), qint64(shown));
    QCOMPARE(countOf(f, "260009"), qint64(2));
    QCOMPARE(countOf(f, ""), number.isEmpty() ? qint64(shown) : qint64(4));
    // The added lines are blank; the old ones keep their values.
    for (int i = 0; i < shown; ++i) {
        const bool old = i < existing;
        QCOMPARE(b.displayText(i, Breakdown::Polozka), old ? QString("Káva") : QString());
        QCOMPARE(b.displayText(i, Breakdown::Cena), old ? QString("45,00") : QString("0,00"));
    }
    // The snapshot is a temporary table of the till's connection holding exactly these lines.
    QCOMPARE(db::scalar(f.db, "select count(*) from rozpis_ul").toInt(), shown);
    QCOMPARE(db::scalar(f.db, "select count(*) from sqlite_temp_master where name = 'rozpis_ul'").toInt(), 1);
    QCOMPARE(f.peek().scalar("select count(*) from sqlite_master where name = 'rozpis_ul'").toInt(), 0);
}

void TestBreakdown::stornoRestoresLinesWithIds_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("receipt being entered") << "";
    QTest::newRow("numbered receipt") << "260001";
}

void TestBreakdown::stornoRestoresLinesWithIds()
{
    QFETCH(QString, number);
    TillFixture f([&](Peek& p) {
        itemised(p);
        addLines(p, number.isEmpty() ? QVariant() : QVariant(number), 3, "Káva", 45, 2);
    });
    if (!number.isEmpty())
        showNumbered(f, number);
    Breakdown b(*f.till);
    b.open();
    const QList<QVariantList> before = linesOf(f, number);
    QCOMPARE(before.size(), number.isEmpty() ? 3 : 16); // blank lines of this opening included

    // Two lines edited and written (the cursor left them), one line deleted, one edit pending.
    QVERIFY(b.setText(0, Breakdown::Polozka, "Pivo"));
    QVERIFY(b.setText(0, Breakdown::Cena, "38,50"));
    b.post(0);
    QVERIFY(b.setText(1, Breakdown::Ks, "7"));
    b.post(1);
    b.deleteLine(2);
    QVERIFY(b.setText(0, Breakdown::Ks, "9"));
    QCOMPARE(countOf(f, number), qint64(before.size() - 1));
    QCOMPARE(f.peek().scalar("select polozka from rozpis where id = ?", {before[0][0]}).toString(),
             QString("Pivo"));

    b.cancel();
    QVERIFY(!b.isOpen());
    QCOMPARE(linesOf(f, number), before);
}

void TestBreakdown::restoreFailureLosesNothing()
{
    TillFixture f([](Peek& p) {
        itemised(p);
        addLines(p, "260001", 3, "Káva", 45, 2);
    });
    showNumbered(f, "260001");
    Breakdown b(*f.till);
    b.open();
    const QList<QVariantList> opened = linesOf(f, "260001");
    QVERIFY(b.setText(0, Breakdown::Polozka, "Pivo"));
    b.post(0);
    const QList<QVariantList> edited = linesOf(f, "260001");

    // The insert of the restore fails after its delete has run.
    f.peek().exec(
        "create trigger vx_fail before insert on rozpis begin select raise(abort, 'injected'); end");
    QVERIFY_THROWS_EXCEPTION(VornixError, b.cancel());
    QCOMPARE(linesOf(f, "260001"), edited);

    // The snapshot is still there: once the fault is gone, "storno" restores the opening state.
    f.peek().exec("drop trigger vx_fail");
    b.cancel();
    QCOMPARE(linesOf(f, "260001"), opened);
}

void TestBreakdown::saveWritesPendingEdit()
{
    TillFixture f(itemised);
    Breakdown b(*f.till);
    b.open();
    QVERIFY(b.setText(0, Breakdown::Polozka, "Čaj s citrónem"));
    QVERIFY(b.setText(0, Breakdown::Cena, "1 234,5"));
    QVERIFY(b.setText(0, Breakdown::Ks, "2"));
    const qint64 id = b.line(0).id;
    b.save();
    QVERIFY(!b.isOpen());
    const QList<QVariantList> row =
        f.peek().rows("select hex(polozka), typeof(polozka), cena, ks from rozpis where id = ?", {id});
    QCOMPARE(row.size(), 1);
    QCOMPARE(row[0][0].toString(), QString::fromLatin1(QString("Čaj s citrónem").toUtf8().toHex().toUpper()));
    QCOMPARE(row[0][1].toString(), QString("text"));
    QCOMPARE(row[0][2].toDouble(), 1234.5);
    QCOMPARE(row[0][3].toDouble(), 2.0);
}

void TestBreakdown::titleBarCloseRestoresNothing()
{
    TillFixture f(itemised);
    Breakdown b(*f.till);
    b.open();
    QVERIFY(b.setText(0, Breakdown::Polozka, "Pivo"));
    b.post(0);                                         // the cursor left the line
    QVERIFY(b.setText(1, Breakdown::Polozka, "Víno")); // still in the line
    b.close();
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where polozka = 'Pivo'").toInt(), 1);
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where polozka = 'Víno'").toInt(), 0);
}

void TestBreakdown::savedLinesGiveTotal()
{
    TillFixture f(itemised);
    Breakdown b(*f.till);
    b.open();
    QVERIFY(b.setText(0, Breakdown::Cena, "10,25"));
    QVERIFY(b.setText(0, Breakdown::Ks, "2"));
    b.post(0);
    QVERIFY(b.setText(1, Breakdown::Cena, "0.5"));
    QVERIFY(b.setText(1, Breakdown::Ks, "1"));
    b.save();
    f.till->totalFromBreakdown();
    QCOMPARE(f.till->current.value("celk_trzba").toLongLong(), qint64(21));
}

void TestBreakdown::lookupRules()
{
    TillFixture f([](Peek& p) {
        itemised(p);
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values "
               "('260001', 'Káva', 45, 2, 90), ('260001', 'Čaj', 30, 1, 30), "
               "('260002', 'Káva', 50, 1, 50), "   // the same item later at another price
               "('260002', 'Zákusek', 60, 0, 0), " // no amount
               "('260002', NULL, 10, 1, 10), "     // no item text
               "(NULL, 'Pivo', 40, 1, 40)");       // the receipt being entered
    });
    Breakdown b(*f.till);
    b.open();
    const QVector<LookupItem> items = b.lookupItems();
    QStringList shown;
    for (const LookupItem& i : items)
        shown << i.hledam;
    QCOMPARE(shown, (QStringList{"Káva, 50.0 Kč", "Čaj, 30.0 Kč"}));
    QCOMPARE(items[0].polozka, QString("Káva").toUtf8());
    QCOMPARE(items[0].cena.toDouble(), 50.0);

    // Taking an item fills text and price of the current line, not its quantity; not written yet.
    QCOMPARE(b.count(), 1); // the "Pivo" line of the receipt being entered
    QVERIFY(b.setText(0, Breakdown::Ks, "3"));
    QVERIFY(b.take(0, items[1]));
    QCOMPARE(b.displayText(0, Breakdown::Polozka), QString("Čaj"));
    QCOMPARE(b.displayText(0, Breakdown::Cena), QString("30,00"));
    QCOMPARE(b.displayText(0, Breakdown::Ks), QString("3,00"));
    QCOMPARE(f.peek().scalar("select polozka from rozpis where id = ?", {b.line(0).id}).toString(),
             QString("Pivo"));
    b.save();
    f.till->totalFromBreakdown();
    QCOMPARE(f.till->current.value("celk_trzba").toLongLong(), qint64(90));
}

void TestBreakdown::lookupTakesStoredTextUnchanged()
{
    // A stored item text with a truncated UTF-8 sequence: shown with U+FFFD, written back as it was.
    TillFixture f([](Peek& p) {
        itemised(p);
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values "
               "('260001', cast(x'4B61C3' as text), 12.5, 2, 25)");
    });
    Breakdown b(*f.till);
    b.open();
    const QVector<LookupItem> items = b.lookupItems();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0].hledam, QString("Ka\uFFFD, 12.5 Kč"));
    QVERIFY(b.take(0, items[0]));
    b.save();
    QCOMPARE(f.peek()
                 .scalar("select hex(polozka) from rozpis where uctenka_cislo ISNULL order by id limit 1")
                 .toString(),
             QString("4B61C3"));
}

void TestBreakdown::readOnlyWithPkp()
{
    TillFixture f([](Peek& p) {
        itemised(p);
        p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, "
               "dat_odesl, pkp, fik) values ('K1', 90, '260001', 'Káva', '2026-12-01', '2026-12-01', "
               "'2026-12-01 10:00:00', '2026-12-01 10:00:01', 'pkp', 'fik')");
        addLines(p, "260001", 2, "Káva", 45, 1);
    });
    const QString id = f.peek().scalar("select id from eet where uctenka_cislo = '260001'").toString();
    f.till->session.aktualni_id = id;
    f.till->current.open(id);
    showNumbered(f, "260001");
    Breakdown b(*f.till);
    b.open();
    QVERIFY(b.readOnly());
    QVERIFY(!b.setText(0, Breakdown::Polozka, "Pivo"));
    QVERIFY(!b.take(0, LookupItem{"Pivo, 40.0 Kč", "Pivo", 40.0}));
    b.deleteLine(0);
    b.save();
    QCOMPARE(f.peek()
                 .scalar("select count(*) from rozpis where uctenka_cislo = '260001' and polozka = 'Káva'")
                 .toInt(),
             2);

    // The receipt being entered (no PKP) is editable.
    f.till->novaUctenka();
    Breakdown entering(*f.till);
    entering.open();
    QVERIFY(!entering.readOnly());
}

void TestBreakdown::numbers_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("edit");
    QTest::newRow("zero") << QVariant(0.0) << "0,00"
                          << "0,00";
    QTest::newRow("half") << QVariant(0.5) << "0,50"
                          << "0,50";
    QTest::newRow("thousands") << QVariant(1234.5) << "1 234,50"
                               << "1234,50";
    QTest::newRow("millions") << QVariant(1234567.891) << "1 234 567,89"
                              << "1234567,89";
    QTest::newRow("negative") << QVariant(-98765.4) << "-98 765,40"
                              << "-98765,40";
    QTest::newRow("hundreds") << QVariant(999.0) << "999,00"
                              << "999,00";
    QTest::newRow("null") << QVariant() << ""
                          << "";
}

void TestBreakdown::numbers()
{
    QFETCH(QVariant, value);
    QFETCH(QString, display);
    QFETCH(QString, edit);
    QCOMPARE(formatLineNumber(value, true), display);
    QCOMPARE(formatLineNumber(value, false), edit);
}

void TestBreakdown::typedNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("comma") << "10,25" << true << 10.25;
    QTest::newRow("point") << "10.25" << true << 10.25;
    QTest::newRow("grouped") << "1 234,5" << true << 1234.5;
    QTest::newRow("empty") << "" << true << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("two commas") << "1,2,3" << false << 0.0;
}

void TestBreakdown::typedNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double v = -1;
    QCOMPARE(parseLineNumber(text, &v), ok);
    if (ok)
        QCOMPARE(v, value);
    // A refused text changes nothing in the line.
    TillFixture f(itemised);
    Breakdown b(*f.till);
    b.open();
    QCOMPARE(b.setText(0, Breakdown::Cena, text), ok);
    QCOMPARE(b.line(0).dirty(), ok);
}

QTEST_GUILESS_MAIN(TestBreakdown)
#include "tst_breakdown.moc"
