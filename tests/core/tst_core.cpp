#include "core/dates.h"
#include "core/error.h"
#include "core/money.h"
#include "core/session.h"
#include "core/textconv.h"

#include <QtTest>

class TestCore : public QObject
{
    Q_OBJECT
  private slots:
    void prevedDatum_data();
    void prevedDatum();
    void prevedDatumRefusesBadDates_data();
    void prevedDatumRefusesBadDates();
    void zutfMalformed_data();
    void zutfMalformed();
    void doutfRoundTrip();
    void roundCrowns_data();
    void roundCrowns();
    void roundCents_data();
    void roundCents();
    void formatAmount_data();
    void formatAmount();
    void parseCrowns_data();
    void parseCrowns();
    void switches_data();
    void switches();
};

void TestCore::prevedDatum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("date-time") << "2024-03-05 10:11:12" << QDate(2024, 3, 5);
    QTest::newRow("date") << "2024-03-05" << QDate(2024, 3, 5);
    QTest::newRow("leap day") << "2024-02-29" << QDate(2024, 2, 29);
    QTest::newRow("year end") << "2026-12-31 23:59:59" << QDate(2026, 12, 31);
}

void TestCore::prevedDatum()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(PrevedDatum(text), expected);
}

void TestCore::prevedDatumRefusesBadDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("day order") << "05.03.2024";
    QTest::newRow("no leap day") << "2023-02-29";
    QTest::newRow("month 13") << "2024-13-01";
    QTest::newRow("letters") << "2024-ab-01";
    QTest::newRow("missing day") << "2024-03";
}

void TestCore::prevedDatumRefusesBadDates()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(VornixError, PrevedDatum(text));
}

void TestCore::zutfMalformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    const QChar r(0xFFFD);
    QTest::newRow("valid czech") << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1") << QStringLiteral("Příliš");
    QTest::newRow("lone continuation") << QByteArray("a\x80"
                                                     "b")
                                       << (QStringLiteral("a") + r + QStringLiteral("b"));
    QTest::newRow("truncated 3-byte at end") << QByteArray("ab\xe2\x82") << (QStringLiteral("ab") + r);
    QTest::newRow("truncated 2-byte then ascii") << QByteArray("\xc5"
                                                               "x")
                                                 << (QString(r) + QStringLiteral("x"));
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << (QString(r) + r);
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << (QString(r) + r + r);
    QTest::newRow("cp1250 byte") << QByteArray("U L\xedpy")
                                 << (QStringLiteral("U L") + r + QStringLiteral("py"));
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestCore::zutfMalformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(zutf(bytes), shown);
}

void TestCore::doutfRoundTrip()
{
    const QString text = QStringLiteral("Žluťoučký kůň – „úplně“ O\"Brien; €");
    QCOMPARE(zutf(doutf(text)), text);
    QCOMPARE(doutf(QStringLiteral("ř")), QByteArray("\xc5\x99"));
    QCOMPARE(zutf(QVariant()), QString());
}

void TestCore::roundCrowns_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<qint64>("crowns");
    QTest::newRow("10.5") << 10.5 << qint64(11);
    QTest::newRow("10.49") << 10.49 << qint64(10);
    QTest::newRow("-2.5") << -2.5 << qint64(-3);
    QTest::newRow("20.5+0.5") << 21.0 << qint64(21);
    QTest::newRow("0.5") << 0.5 << qint64(1);
    QTest::newRow("-0.4") << -0.4 << qint64(0);
    QTest::newRow("large") << 99999999.5 << qint64(100000000);
}

void TestCore::roundCrowns()
{
    QFETCH(double, amount);
    QFETCH(qint64, crowns);
    QCOMPARE(::roundCrowns(amount), crowns);
}

void TestCore::roundCents_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("tie down to even") << 0.125 << 0.12;
    QTest::newRow("tie up to even") << 0.135 << 0.14;
    QTest::newRow("2.675 as written") << 2.675 << 2.68;
    QTest::newRow("not a tie") << 17.3553 << 17.36;
    QTest::newRow("negative tie") << -0.125 << -0.12;
    QTest::newRow("carry") << 9.995 << 10.0;
    QTest::newRow("whole") << 100.0 << 100.0;
    QTest::newRow("tiny negative") << -0.001 << 0.0;
}

void TestCore::roundCents()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(::roundCents(value), rounded);
}

void TestCore::formatAmount_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0.00";
    QTest::newRow("negative zero") << -0.0 << "0.00";
    QTest::newRow("tiny negative") << -0.004 << "0.00";
    QTest::newRow("vat") << 21.0 / 121.0 * 121.0 << "21.00";
    QTest::newRow("negative") << -17.36 << "-17.36";
    QTest::newRow("big") << 99999999.99 << "99999999.99";
}

void TestCore::formatAmount()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(QLocale::Czech));
    QCOMPARE(::formatAmount(value), text);
    QLocale::setDefault(QLocale::c());
}

void TestCore::parseCrowns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << "121" << true << qint64(121);
    QTest::newRow("blanks") << " 50 " << true << qint64(50);
    QTest::newRow("negative") << "-121" << true << qint64(-121);
    QTest::newRow("decimal comma") << "12,5" << false << qint64(0);
    QTest::newRow("decimal point") << "12.5" << false << qint64(0);
    QTest::newRow("letters") << "12a" << false << qint64(0);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("too big") << "99999999999999999999" << false << qint64(0);
}

void TestCore::parseCrowns()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, value);
    qint64 got = 0;
    QCOMPARE(::parseCrowns(text, &got), ok);
    if (ok)
        QCOMPARE(got, value);
}

void TestCore::switches_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("design");
    QTest::addColumn<bool>("silent");
    QTest::newRow("none") << QStringList{} << false << false;
    QTest::newRow("/e") << QStringList{"/e"} << true << false;
    QTest::newRow("/jo") << QStringList{"/jo"} << false << true;
    QTest::newRow("both, any order") << QStringList{"/jo", "x", "/e"} << true << true;
    QTest::newRow("upper case") << QStringList{"/E", "/JO", "/Jo"} << false << false;
    QTest::newRow("other leading char") << QStringList{"-e", "\\jo", "-jo"} << false << false;
    QTest::newRow("longer") << QStringList{"/ee", "/jo2"} << false << false;
}

void TestCore::switches()
{
    QFETCH(QStringList, args);
    QFETCH(bool, design);
    QFETCH(bool, silent);
    Session s;
    s.rezim_navrhu = !design;
    applySwitches(s, args);
    QCOMPARE(s.rezim_navrhu, design);
    QCOMPARE(s.tichy_rezim, silent);
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
