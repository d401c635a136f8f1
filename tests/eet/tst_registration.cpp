#include "core/busyindicator.h"
#include "core/error.h"
#include "eet/registration.h"
#include "receipts/completion.h"
#include "tests/support/eetservice.h"
#include "tests/support/tillfixture.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QtTest>
#include <ctime>

namespace
{

class RecordingBusy : public BusyIndicator
{
  public:
    void show() override { events << "show"; }
    void posun() override { events << "posun"; }
    void close() override { events << "close"; }
    QStringList events;
};

// A completed receipt of 121 Kč stamped at `sale`; returns its id.
QString addReceipt(Peek& p, const QString& number, const QString& sale, qint64 total = 121)
{
    p.exec(
        "insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, jmeno, oddata, dodata, dat_trzby, "
        "zakl_dan1, dan1) values ('K1', ?, ?, 'Nocleh', 'Novák', '2026-12-10', '2026-12-11', ?, 100, 21)",
        {total, number, sale});
    return p.scalar("select max(id) from eet").toString();
}

// The demo certificate, made once for the whole run.
const QString& demoCert()
{
    static const QString cert = makeDemoCertificate(QDir::tempPath() + "/vornix-test-cert");
    return cert;
}

struct Registration : TillFixture {
    explicit Registration(const QString& url, const std::function<void(Peek&)>& more = {})
        : TillFixture([&](Peek& p) {
              const QString cert = demoCert();
              p.exec("update eet_nast set url = ?, timeout = 3000, dic = 'CZ1212121218', certheslo = 'eet', "
                     "certsoubor = ?, idprovoz = '11', idkasa = 'K1', overeni = '0', jedn_rezim = 'N'",
                     {url, cert});
              if (more)
                  more(p);
          })
    {
    }
    QVariantList row(const QString& id, const QString& columns)
    {
        return peek().rows("select " + columns + " from eet where id = ?", {id}).value(0);
    }
};

bool wellFormed(const QString& xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void registersWithFik();
    void rejectionKeepsCodes();
    void verificationMode();
    void transportFaults_data();
    void transportFaults();
    void summerAndWinterOffsets_data();
    void summerAndWinterOffsets();
    void buttonRefusesRegisteredReceipt();
    void buttonRegistersPanelReceipt();
    void componentFailureKeepsReceipt();
    void resendLoop();
    void resendStopsOnComponentFailure();
    void errorAndXmlFiles();
};

void TestRegistration::initTestCase()
{
    qputenv("TZ", "Europe/Prague");
    tzset();
}

void TestRegistration::registersWithFik()
{
    EetTestService service;
    Registration f(service.url());
    QString id, other;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", "2026-12-11 09:30:00");
        other = addReceipt(p, "260002", "2026-12-11 09:40:00");
    }
    Odesli_eet(f.db, f.clock, id);
    const auto r =
        f.row(id, "dat_odesl, uuid_zpravy, pkpplain, pkp, bkp, fik, dat_prijeti, zprava_xml, chyba");
    QCOMPARE(r[0].toString(), QString("2026-12-11 10:00:00"));
    QCOMPARE(r[1].toString().size(), 36);
    QCOMPARE(r[2].toString(), QString("CZ1212121218|11|K1|260001|2026-12-11T09:30:00+01:00|121.00"));
    QVERIFY(!r[3].toString().isEmpty());
    QVERIFY(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{8}){4}$").match(r[4].toString()).hasMatch());
    QVERIFY(QRegularExpression("^[0-9a-f-]{36}-[0-9a-f]{2}$").match(r[5].toString()).hasMatch());
    QVERIFY(
        QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(r[6].toString()).hasMatch());
    QVERIFY(r[7].toString().contains("prvni_zaslani=\"true\""));
    QVERIFY(r[7].toString().contains("celk_trzba=\"121.00\""));
    QVERIFY(r[7].toString().contains("zakl_dan1=\"100.00\""));
    QVERIFY(wellFormed(r[7].toString()));
    QVERIFY(r[8].isNull());
    // Only its own row changed.
    QVERIFY(f.row(other, "dat_odesl").value(0).isNull());
}

void TestRegistration::rejectionKeepsCodes()
{
    EetTestService service({"--fault", "temporary"});
    Registration f(service.url());
    QString id;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", "2026-12-11 09:30:00");
    }
    Odesli_eet(f.db, f.clock, id);
    const auto r = f.row(id, "dat_odesl, pkp, bkp, fik, dat_prijeti, chyba, zprava_xml");
    QVERIFY(!r[0].isNull());
    QVERIFY(!r[1].toString().isEmpty());
    QVERIFY(!r[2].toString().isEmpty());
    QVERIFY(r[3].isNull());
    QVERIFY(r[4].isNull());
    QVERIFY2(r[5].toString().contains("-1"), qPrintable(r[5].toString()));
    QVERIFY(!r[6].toString().isEmpty());
}

void TestRegistration::verificationMode()
{
    EetTestService service;
    Registration f(service.url(), [](Peek& p) { p.exec("update eet_nast set overeni = '1'"); });
    QString id;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", "2026-12-11 09:30:00");
    }
    Odesli_eet(f.db, f.clock, id);
    const auto r = f.row(id, "fik, chyba, zprava_xml");
    QVERIFY(r[0].isNull());
    QVERIFY2(r[1].toString().contains("0"), qPrintable(r[1].toString()));
    QVERIFY(r[2].toString().contains("overeni=\"true\""));
}

void TestRegistration::transportFaults_data()
{
    QTest::addColumn<QStringList>("serviceArgs");
    QTest::addColumn<bool>("refused");
    QTest::newRow("timeout") << QStringList{"--delay", "5000"} << false;
    QTest::newRow("refused connection") << QStringList{} << true;
    QTest::newRow("connection dropped") << QStringList{"--fault", "drop"} << false;
    QTest::newRow("forged answer") << QStringList{"--fault", "bad-signature"} << false;
}

void TestRegistration::transportFaults()
{
    QFETCH(QStringList, serviceArgs);
    QFETCH(bool, refused);
    QString url;
    std::unique_ptr<EetTestService> service;
    if (refused) {
        EetTestService gone; // a port that was just free and is closed again
        url = gone.url();
    } else {
        service = std::make_unique<EetTestService>(serviceArgs);
        url = service->url();
    }
    Registration f(url, [](Peek& p) { p.exec("update eet_nast set timeout = 1000"); });
    QString id;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", "2026-12-11 09:30:00");
    }
    Odesli_eet(f.db, f.clock, id);
    auto r = f.row(id, "dat_odesl, fik, chyba, pkp");
    QCOMPARE(r[0].toString(), QString("2026-12-11 10:00:00"));
    QVERIFY(r[1].isNull());
    QVERIFY(!r[2].toString().isEmpty());
    QVERIFY(!r[3].toString().isEmpty());
    // The next attempt is a repeat.
    f.clock.set(QDateTime(QDate(2026, 12, 11), QTime(10, 1, 0)));
    Odesli_eet(f.db, f.clock, id);
    r = f.row(id, "dat_odesl, fik");
    QCOMPARE(r[0].toString(), QString("2026-12-11 10:01:00"));
    QVERIFY(f.row(id, "zprava_xml").value(0).toString().contains("prvni_zaslani=\"false\""));
}

void TestRegistration::summerAndWinterOffsets_data()
{
    QTest::addColumn<QString>("sale");
    QTest::addColumn<QString>("sent");
    QTest::newRow("summer") << "2026-07-01 10:00:00"
                            << "2026-07-01T10:00:00+02:00";
    QTest::newRow("winter") << "2026-01-15 10:00:00"
                            << "2026-01-15T10:00:00+01:00";
}

void TestRegistration::summerAndWinterOffsets()
{
    QFETCH(QString, sale);
    QFETCH(QString, sent);
    EetTestService service;
    Registration f(service.url());
    QString id;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", sale);
    }
    f.clock.set(QDateTime::fromString(sale, "yyyy-MM-dd HH:mm:ss").addSecs(5));
    Odesli_eet(f.db, f.clock, id);
    const QString xml = f.row(id, "zprava_xml").value(0).toString();
    QVERIFY2(xml.contains("dat_trzby=\"" + sent + "\""), qPrintable(xml.left(2000)));
    QVERIFY(!f.row(id, "fik").value(0).isNull());
    QCOMPARE(utcOffsetSuffix(QDateTime::fromString(sale, "yyyy-MM-dd HH:mm:ss")), sent.right(6));
}

void TestRegistration::buttonRefusesRegisteredReceipt()
{
    EetTestService service;
    Registration f(service.url());
    QString id;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", "2026-12-11 09:30:00");
        p.exec("update eet set fik = 'fik-1', dat_odesl = '2026-12-11 09:30:01' where id = ?", {id});
    }
    f.till->session.aktualni_id = id;
    f.till->current.open(id);
    QVERIFY(!eetButton(*f.till));
    QCOMPARE(f.prompt.texts(), QStringList{"Účtenka již odeslána na EET!"});
    QCOMPARE(f.row(id, "dat_odesl").value(0).toString(), QString("2026-12-11 09:30:01"));
}

void TestRegistration::buttonRegistersPanelReceipt()
{
    EetTestService service;
    Registration f(service.url());
    f.till->current.setValue("celk_trzba", 250);
    f.till->current.setValue("ucelplatby", "Nocleh \"U Lípy\"");
    QVERIFY(nahled(*f.till, "250", "Nocleh \"U Lípy\""));
    QVERIFY(f.till->panel.eetEnabled);
    const QString id = f.till->session.aktualni_id;
    QVERIFY(eetButton(*f.till));
    const auto r = f.row(id, "fik, dat_prijeti, chyba, zprava_xml");
    QVERIFY(!r[0].isNull());
    QVERIFY(r[1].toString().contains(' '));
    QVERIFY(r[2].isNull());
    QVERIFY(r[3].toString().contains("celk_trzba=\"250.00\""));
    QVERIFY(!f.till->panel.eetEnabled);
    QVERIFY(f.till->panel.tiskEnabled);
    QVERIFY(!f.till->panel.amountEnabled);
    QVERIFY(!f.till->panel.vatEnabled);
    QVERIFY(f.till->panel.numberLabelVisible);
    QCOMPARE(f.till->panel.numberLabel, QString("260001"));
}

void TestRegistration::componentFailureKeepsReceipt()
{
    EetTestService service;
    Registration f(service.url(),
                   [](Peek& p) { p.exec("update eet_nast set certsoubor = '/nonexistent/cert.p12'"); });
    f.till->current.setValue("celk_trzba", 250);
    QVERIFY(nahled(*f.till, "250", "Nocleh"));
    const QString id = f.till->session.aktualni_id;
    try {
        eetButton(*f.till);
        QFAIL("a missing certificate was not reported");
    } catch (const VornixError& e) {
        QVERIFY2(e.text().startsWith("Účtenku nelze odeslat na EET"), qPrintable(e.text()));
    }
    const auto r = f.row(id, "dat_odesl, uctenka_cislo, celk_trzba, fik");
    QCOMPARE(r[0].toString(), QString("2026-12-11 10:00:00"));
    QCOMPARE(r[1].toString(), QString("260001"));
    QCOMPARE(r[2].toInt(), 250);
    QVERIFY(r[3].isNull());
    QVERIFY(!f.till->panel.eetEnabled);
}

void TestRegistration::resendLoop()
{
    EetTestService service({"--fault", "temporary", "--fault-count", "1"});
    Registration f(service.url());
    QStringList ids;
    {
        Peek p = f.peek();
        ids << addReceipt(p, "260001", "2026-12-11 09:00:00")
            << addReceipt(p, "260002", "2026-12-11 09:10:00")
            << addReceipt(p, "260003", "2026-12-11 09:20:00");
        p.exec("update eet set fik = 'done' where id = ?", {ids[1]});
    }
    RecordingBusy busy;
    QCOMPARE(resendUnsent(f.db, f.clock, busy), 2);
    QCOMPARE(busy.events, (QStringList{"show", "posun", "posun", "posun", "close"}));
    // The first one got the injected temporary error and the loop went on.
    QVERIFY(f.row(ids[0], "fik").value(0).isNull());
    QVERIFY(!f.row(ids[0], "chyba").value(0).isNull());
    QCOMPARE(f.row(ids[1], "fik").value(0).toString(), QString("done"));
    QVERIFY(f.row(ids[1], "dat_odesl").value(0).isNull());
    QVERIFY(!f.row(ids[2], "fik").value(0).isNull());
    QCOMPARE(f.peek().scalar("select count(*) from eet where dat_odesl NOTNULL").toInt(), 2);
}

void TestRegistration::resendStopsOnComponentFailure()
{
    EetTestService service;
    Registration f(service.url());
    QStringList ids;
    {
        Peek p = f.peek();
        ids << addReceipt(p, "260001", "2026-12-11 09:00:00");
        p.exec("update eet set uctenka_cislo = 'bad number with ~' where id = ?", {ids[0]});
        ids << addReceipt(p, "260002", "2026-12-11 09:10:00");
    }
    RecordingBusy busy;
    QVERIFY_THROWS_EXCEPTION(VornixError, resendUnsent(f.db, f.clock, busy));
    QCOMPARE(busy.events.last(), QString("close"));
    QVERIFY(f.row(ids[1], "dat_odesl").value(0).isNull());
}

void TestRegistration::errorAndXmlFiles()
{
    EetTestService service({"--fault", "temporary"});
    Registration f(service.url());
    QString id;
    {
        Peek p = f.peek();
        id = addReceipt(p, "260001", "2026-12-11 09:30:00");
    }
    QVERIFY(writeErrorFile(f.db, f.prompt, f.dir.path(), QVariant(), "260001").isEmpty());
    QCOMPARE(f.prompt.texts(), QStringList{"Neodeslaná účtenka! Načtěte a opakujte EET!"});
    QVERIFY(!QFile::exists(f.dir.file("chyba.xml")));
    Odesli_eet(f.db, f.clock, id);
    {
        Peek p = f.peek();
        p.exec("update eet set chyba = ? where id = ?", {QString("první\nřádek\r\ndruhý\rtřetí"), id});
    }
    const QString datOdesl = f.row(id, "dat_odesl").value(0).toString();
    const QString err = writeErrorFile(f.db, f.prompt, f.dir.path(), datOdesl, "260001");
    QCOMPARE(fileBytes(err), QString("první\r\nřádek\r\ndruhý\r\ntřetí\r\n").toUtf8());
    const QString xmlFile = writeXmlFile(f.db, f.prompt, f.dir.path(), datOdesl, "260001");
    const QByteArray xml = fileBytes(xmlFile);
    QVERIFY(!xml.contains("><"));
    QVERIFY(xml.contains(">\r\n<"));
    QVERIFY(!xml.contains("\r\r"));
    QVERIFY(xml.contains("celk_trzba=\"121.00\""));
}

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
