#include "core/error.h"
#include "core/till.h"
#include "db/database.h"
#include "settings/appsettings.h"
#include "settings/certificatecheck.h"
#include "settings/eetsettings.h"
#include "settings/settingsedit.h"
#include "settings/settingsrow.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QtTest>

namespace
{

// A program folder with an upgraded database (rates 21/15/10, usual 21) open on its own
// connection.
struct Fixture {
    TempProgramFolder dir;
    QSqlDatabase db;
    Fixture()
    {
        makeBaselineDatabase(dir.dbFile());
        db = db::open(dir.dbFile(), QStringLiteral("tst_settings"));
        db::prepare(db);
    }
    ~Fixture()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("tst_settings"));
    }
    // Every column of the settings row, stored bytes for texts, to prove nothing changed.
    QList<QVariantList> row()
    {
        Peek p(dir.dbFile());
        return p.rows(
            "select id, cast(uzivatel as blob), cast(ucel as blob), dic, idprovoz, idkasa, url, timeout, "
            "certheslo, certsoubor, overeni, zahlavi, zapati, uctenkova, pocet_tisku, jedn_rezim, "
            "platce_dph, dph1, dph2, dph3, dphz, od_do, rozpis from eet_nast");
    }
    QVariant stored(const QString& column)
    {
        Peek p(dir.dbFile());
        return p.scalar("select " + column + " from eet_nast");
    }
};

QString sharedEet()
{
    return qEnvironmentVariable("VORNIX_SHARED_EET");
}

} // namespace

class TestSettingsRules : public QObject
{
    Q_OBJECT
  private slots:
    void loadShowsStoredTexts();
    void storeWritesOnlyEditedColumns();
    void editBackToStoredIsNotPending();
    void valuesAreBoundNotPasted();
    void refusedValueStoresNothing_data();
    void refusedValueStoresNothing();
    void integerColumnsTakeWholeNumbers_data();
    void integerColumnsTakeWholeNumbers();
    void longCertificatePathIsKept();
    void missingRowIsRefused();
    void rateOrder_data();
    void rateOrder();
    void copiesWrittenOnSave();
    void afterDialogVatBox_data();
    void afterDialogVatBox();
    void endpointsAndQuestion();
    void certificateTexts_data();
    void certificateTexts();
    void playgroundCertificates_data();
    void playgroundCertificates();
    void wrongPasswordDoesNotOpen();
};

void TestSettingsRules::loadShowsStoredTexts()
{
    Fixture f;
    SettingsEdit e(f.db);
    e.load();
    QVERIFY(e.exists());
    QCOMPARE(e.text("uzivatel"), QString("Penzion U Lípy"));
    QCOMPARE(e.text("timeout"), QString("2000"));
    QCOMPARE(e.text("dph2"), QString("15"));
    QCOMPARE(e.text("zahlavi"), QString(""));
    QVERIFY(!e.hasPendingEdits());
}

void TestSettingsRules::storeWritesOnlyEditedColumns()
{
    Fixture f;
    {
        Peek p(f.dir.dbFile());
        // Malformed UTF-8 in uzivatel must survive an edit of another field byte for byte.
        p.exec("update eet_nast set uzivatel = cast(? as blob)", {QByteArray("U L\xedpy")});
    }
    const auto before = f.row();
    SettingsEdit e(f.db);
    e.load();
    e.set("dic", "CZ00000019");
    e.set("ucel", "Příliš žluťoučký kůň");
    e.set("dph3", " 12 ");
    e.store();
    QVERIFY(!e.hasPendingEdits());
    auto after = f.row();
    QCOMPARE(after.size(), 1);
    QCOMPARE(after[0][1].toByteArray(), QByteArray("U L\xedpy"));
    QCOMPARE(after[0][2].toByteArray(), QString("Příliš žluťoučký kůň").toUtf8());
    QCOMPARE(after[0][3].toString(), QString("CZ00000019"));
    QCOMPARE(after[0][19].typeId(), QMetaType::LongLong);
    QCOMPARE(after[0][19].toLongLong(), 12);
    // Everything else as before.
    for (int i : {0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21, 22})
        QCOMPARE(after[0][i], before[0][i]);
}

void TestSettingsRules::editBackToStoredIsNotPending()
{
    Fixture f;
    SettingsEdit e(f.db);
    e.load();
    e.set("idkasa", "K2");
    QVERIFY(e.isPending("idkasa"));
    e.set("idkasa", "K1");
    QVERIFY(!e.hasPendingEdits());
    e.set("idkasa", "K3");
    e.discard();
    QCOMPARE(e.text("idkasa"), QString("K1"));
}

void TestSettingsRules::valuesAreBoundNotPasted()
{
    Fixture f;
    SettingsEdit e(f.db);
    e.load();
    const QString hostile = "x\"; drop table eet; --'";
    e.set("ucel", hostile);
    e.set("certheslo", "a'b\"c");
    e.store();
    QCOMPARE(f.stored("ucel").toString(), hostile);
    QCOMPARE(f.stored("certheslo").toString(), QString("a'b\"c"));
    Peek p(f.dir.dbFile());
    QCOMPARE(p.scalar("select count(*) from sqlite_master where name = 'eet'").toInt(), 1);
}

void TestSettingsRules::refusedValueStoresNothing_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("timeout letters") << "timeout"
                                     << "30s"
                                     << "Timeout";
    QTest::newRow("timeout decimal") << "timeout"
                                     << "2.5"
                                     << "Timeout";
    QTest::newRow("usual rate letters") << "dphz"
                                        << "abc"
                                        << "Obvyklá";
    QTest::newRow("rate too big") << "dph1"
                                  << "99999999999999999999"
                                  << "Sazby DPH";
    QTest::newRow("dic 13 chars") << "dic"
                                  << "CZ12345678901"
                                  << "DIČ";
    QTest::newRow("idkasa 11 chars") << "idkasa"
                                     << "K1234567890"
                                     << "ID kasy";
    QTest::newRow("password 51 chars") << "certheslo" << QString(51, 'p') << "Cert.heslo";
    QTest::newRow("purpose 81 chars") << "ucel" << QString(81, QChar(0x10D)) << "Obvyklý účel platby";
}

void TestSettingsRules::refusedValueStoresNothing()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, label);
    Fixture f;
    const auto before = f.row();
    SettingsEdit e(f.db);
    e.load();
    e.set("idprovoz", "99"); // a good edit that must not be stored alone
    e.set(column, value);
    const QString refusal = e.check();
    QVERIFY2(refusal.contains(label), qPrintable(refusal));
    QVERIFY_THROWS_EXCEPTION(VornixError, e.store());
    QCOMPARE(f.row(), before);
    // The edits stay pending for the operator to correct.
    QCOMPARE(e.text(column), value);
    QCOMPARE(e.text("idprovoz"), QString("99"));
}

void TestSettingsRules::integerColumnsTakeWholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("plain") << "3000" << QVariant(qint64(3000));
    QTest::newRow("blanks") << " 45 " << QVariant(qint64(45));
    QTest::newRow("sign") << "+7" << QVariant(qint64(7));
    QTest::newRow("negative") << "-1" << QVariant(qint64(-1));
    QTest::newRow("empty is NULL") << "" << QVariant();
}

void TestSettingsRules::integerColumnsTakeWholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(QVariant, stored);
    Fixture f;
    SettingsEdit e(f.db);
    e.load();
    e.set("timeout", text);
    QCOMPARE(e.check(), QString());
    e.store();
    const QVariant v = f.stored("timeout");
    QCOMPARE(v.isNull(), stored.isNull());
    if (!stored.isNull()) {
        QCOMPARE(v.typeId(), QMetaType::LongLong);
        QCOMPARE(v.toLongLong(), stored.toLongLong());
    }
}

void TestSettingsRules::longCertificatePathIsKept()
{
    Fixture f;
    SettingsEdit e(f.db);
    e.load();
    const QString path = "/home/obchod/Dokumenty/certifikaty EET/2026/EET_CA1_Playground-CZ00000019.p12";
    QVERIFY(path.size() > 50);
    e.set("certsoubor", path);
    QCOMPARE(e.check(), QString());
    e.store();
    QCOMPARE(f.stored("certsoubor").toString(), path);
}

void TestSettingsRules::missingRowIsRefused()
{
    Fixture f;
    {
        Peek p(f.dir.dbFile());
        p.exec("delete from eet_nast");
    }
    SettingsEdit e(f.db);
    e.load();
    QVERIFY(!e.exists());
    e.set("dic", "CZ1");
    QVERIFY_THROWS_EXCEPTION(VornixError, e.store());
    QVERIFY(!settings::saveAppSettings(e, 1).isEmpty());
    Peek p(f.dir.dbFile());
    QCOMPARE(p.scalar("select count(*) from eet_nast").toInt(), 0);
}

void TestSettingsRules::rateOrder_data()
{
    QTest::addColumn<QString>("dph1");
    QTest::addColumn<QString>("dph2");
    QTest::addColumn<QString>("dph3");
    QTest::addColumn<QString>("dphz");
    QTest::addColumn<QString>("refusal");
    const QString order = settings::rateOrderMessage;
    const QString error = settings::rateErrorMessage;
    QTest::newRow("21 15 10") << "21"
                              << "15"
                              << "10"
                              << "15"
                              << "";
    QTest::newRow("15 21 10") << "15"
                              << "21"
                              << "10"
                              << "21" << order;
    QTest::newRow("21 10 15") << "21"
                              << "10"
                              << "15"
                              << "21" << order;
    QTest::newRow("21 21 21") << "21"
                              << "21"
                              << "21"
                              << "21"
                              << "";
    QTest::newRow("usual not compared") << "21"
                                        << "15"
                                        << "10"
                                        << "99"
                                        << "";
    QTest::newRow("empty third reads 0") << "21"
                                         << "15"
                                         << ""
                                         << "21"
                                         << "";
    QTest::newRow("empty second reads 0") << "21"
                                          << ""
                                          << "10"
                                          << "21" << order;
    QTest::newRow("letters in a rate") << "21"
                                       << "1S"
                                       << "10"
                                       << "21" << error;
    QTest::newRow("letters win over order") << "10"
                                            << "x"
                                            << "21"
                                            << "21" << error;
}

void TestSettingsRules::rateOrder()
{
    QFETCH(QString, dph1);
    QFETCH(QString, dph2);
    QFETCH(QString, dph3);
    QFETCH(QString, dphz);
    QFETCH(QString, refusal);
    Fixture f;
    const auto before = f.row();
    SettingsEdit e(f.db);
    e.load();
    e.set("dph1", dph1);
    e.set("dph2", dph2);
    e.set("dph3", dph3);
    e.set("dphz", dphz);
    e.set("dic", "CZ683555118");
    QCOMPARE(settings::saveAppSettings(e, 2), refusal);
    if (!refusal.isEmpty()) {
        // Refused before anything was written: no rate, no other field, no copies.
        QCOMPARE(f.row(), before);
        return;
    }
    QCOMPARE(f.stored("dph1").toString(), dph1);
    QCOMPARE(f.stored("dph2").toString(), dph2);
    QCOMPARE(f.stored("dph3").isNull(), dph3.isEmpty());
    QCOMPARE(f.stored("dph3").toString(), dph3);
    QCOMPARE(f.stored("dphz").toString(), dphz);
    QCOMPARE(f.stored("dic").toString(), QString("CZ683555118"));
    QCOMPARE(f.stored("pocet_tisku").toInt(), 2);
}

void TestSettingsRules::copiesWrittenOnSave()
{
    Fixture f;
    SettingsEdit e(f.db);
    e.load();
    QCOMPARE(settings::saveAppSettings(e, 2), QString());
    QCOMPARE(f.stored("pocet_tisku").toInt(), 2);
    QCOMPARE(settings::saveAppSettings(e, 1), QString());
    QCOMPARE(f.stored("pocet_tisku").toInt(), 1);
}

void TestSettingsRules::afterDialogVatBox_data()
{
    QTest::addColumn<QString>("platce");
    QTest::addColumn<QVariant>("dph2");
    QTest::addColumn<int>("dphz");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("payer, usual = second")
        << "A" << QVariant(15) << 15 << QStringList{"21", "15", "10", "0"} << 1 << "15";
    QTest::newRow("payer, usual = first")
        << "A" << QVariant(15) << 21 << QStringList{"21", "15", "10", "0"} << 0 << "21";
    QTest::newRow("payer, usual not listed")
        << "A" << QVariant(15) << 12 << QStringList{"21", "15", "10", "0"} << -1 << "12";
    QTest::newRow("empty rate keeps its place")
        << "A" << QVariant() << 10 << QStringList{"21", "", "10", "0"} << 2 << "10";
    QTest::newRow("not a payer") << "N" << QVariant(15) << 15 << QStringList{"21", "15", "10", "0"} << 3
                                 << "0";
}

void TestSettingsRules::afterDialogVatBox()
{
    QFETCH(QString, platce);
    QFETCH(QVariant, dph2);
    QFETCH(int, dphz);
    QFETCH(QStringList, items);
    QFETCH(int, index);
    QFETCH(QString, text);
    Fixture f;
    {
        Peek p(f.dir.dbFile());
        p.exec("update eet_nast set platce_dph = ?, dph2 = ?, dphz = ?, od_do = 'N', rozpis = 'A', idkasa = "
               "'K7'",
               {platce, dph2, dphz});
    }
    ScriptedPrompt prompt;
    FixedClock clock(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
    Till till(f.db, prompt, clock);
    till.panel.vatItems = {"21", "0"}; // built differently before the dialog
    settings::applySettingsAfterDialog(till, readSettings(f.db));
    QCOMPARE(till.panel.vatItems, items);
    QCOMPARE(till.panel.vatIndex, index);
    QCOMPARE(till.panel.vatText, text);
    QCOMPARE(till.panel.vatVisible, platce == "A");
    QCOMPARE(till.panel.vatEnabled, platce == "A");
    QCOMPARE(till.session.nast_platce_dph, platce);
    QCOMPARE(till.session.nast_dphz, QString::number(dphz));
    QCOMPARE(till.panel.registerId, QString("K7"));
    QVERIFY(!till.panel.periodEnabled);
    QVERIFY(till.panel.breakdownVisible);
    QVERIFY(!till.panel.amountEnabled);
}

void TestSettingsRules::endpointsAndQuestion()
{
    QCOMPARE(settings::playgroundUrl, QString("https://pg.eet.cz/eet/services/EETServiceSOAP/v3"));
    QCOMPARE(settings::productionUrl, QString("https://prod.eet.cz:443/eet/services/EETServiceSOAP/v3"));
    QVERIFY(settings::isPlayground(settings::playgroundUrl));
    QVERIFY(!settings::isPlayground(settings::playgroundUrl + "/"));
    QVERIFY(!settings::isPlayground(" " + settings::playgroundUrl));
    QCOMPARE(settings::productionQuestion(true),
             QString("POZOR - pokračujete v produkčním provozu\r\n a ověřovacím režimu!"));
    QCOMPARE(settings::productionQuestion(false),
             QString("POZOR - pokračujete v produkčním provozu\r\n a ostrém režimu!"));
}

void TestSettingsRules::certificateTexts_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("dic");
    QTest::addColumn<QDateTime>("until");
    QTest::addColumn<QString>("settingsDic");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QStringList>("warnings");
    const QDateTime valid(QDate(2027, 1, 31), QTime(12, 0), Qt::UTC);
    const QDateTime past(QDate(2022, 8, 31), QTime(12, 0), Qt::UTC);
    QTest::newRow("fine") << true << "CZ00000019" << valid << "CZ00000019"
                          << "DIČ CZ00000019, platný do 31.01.2027" << QStringList{};
    QTest::newRow("dic case and blanks") << true << "CZ00000019" << valid << " cz00000019 "
                                         << "DIČ CZ00000019, platný do 31.01.2027" << QStringList{};
    QTest::newRow("expired") << true << "CZ00000019" << past << "CZ00000019"
                             << "DIČ CZ00000019, platný do 31.08.2022 (platnost skončila)"
                             << QStringList{"Platnost certifikátu skončila 31.08.2022."};
    QTest::newRow("other dic") << true << "CZ00000019" << valid << "CZ1212121218"
                               << "DIČ CZ00000019, platný do 31.01.2027"
                               << QStringList{
                                      "DIČ certifikátu (CZ00000019) se liší od DIČ v nastavení aplikace "
                                      "(CZ1212121218)."};
    QTest::newRow("no dic in settings")
        << true << "CZ00000019" << valid << ""
        << "DIČ CZ00000019, platný do 31.01.2027"
        << QStringList{"DIČ certifikátu (CZ00000019) se liší od DIČ v nastavení "
                       "aplikace (nevyplněno)."};
    QTest::newRow("does not open") << false << "" << QDateTime() << "CZ1"
                                   << "Certifikát nelze otevřít: Chybné heslo"
                                   << QStringList{"Certifikát nelze otevřít: Chybné heslo"};
}

void TestSettingsRules::certificateTexts()
{
    QFETCH(bool, opened);
    QFETCH(QString, dic);
    QFETCH(QDateTime, until);
    QFETCH(QString, settingsDic);
    QFETCH(QString, description);
    QFETCH(QStringList, warnings);
    CertificateSummary s;
    s.opened = opened;
    s.dic = dic;
    s.validUntil = until;
    if (!opened)
        s.error = "Chybné heslo";
    const QDateTime now(QDate(2026, 3, 2), QTime(10, 0));
    QCOMPARE(settings::certificateDescription(s, now), description);
    QCOMPARE(settings::certificateWarnings(s, now, settingsDic), warnings);

    s.available = false;
    QCOMPARE(settings::certificateWarnings(s, now, settingsDic), QStringList{});
    QCOMPARE(settings::certificateDescription(s, now), QString());
}

void TestSettingsRules::playgroundCertificates_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("dic");
    QTest::newRow("CZ00000019") << "EET_CA1_Playground-CZ00000019.p12"
                                << "CZ00000019";
    QTest::newRow("CZ1212121218") << "EET_CA1_Playground-CZ1212121218.p12"
                                  << "CZ1212121218";
    QTest::newRow("CZ683555118") << "EET_CA1_Playground-CZ683555118.p12"
                                 << "CZ683555118";
}

void TestSettingsRules::playgroundCertificates()
{
#ifndef VORNIX_HAS_EETCLIENT
    QSKIP("built without the EET client component (VORNIX_EETCLIENT=OFF)");
#endif
    const QString folder = sharedEet() + "/playground";
    if (sharedEet().isEmpty() || !QDir(folder).exists())
        QSKIP("the shared EET test material (VORNIX_SHARED_EET/playground) is not present");
    QFETCH(QString, file);
    QFETCH(QString, dic);
    const auto inspector = makeCertificateInspector();
    const CertificateSummary s = inspector->inspect(folder + "/" + file, "eet");
    QVERIFY2(s.opened, qPrintable(s.error));
    QCOMPARE(s.dic, dic);
    QVERIFY(s.validUntil.isValid());
    // The playground certificates expired in 2022.
    QCOMPARE(s.validUntil.date().year(), 2022);
    const QDateTime before(QDate(2021, 1, 1), QTime(0, 0));
    QCOMPARE(settings::certificateWarnings(s, before, dic), QStringList{});
    const QStringList late =
        settings::certificateWarnings(s, QDateTime(QDate(2026, 3, 2), QTime(10, 0)), dic);
    QCOMPARE(late.size(), 1);
    QVERIFY(late.first().startsWith("Platnost certifikátu skončila"));
}

void TestSettingsRules::wrongPasswordDoesNotOpen()
{
#ifndef VORNIX_HAS_EETCLIENT
    QSKIP("built without the EET client component (VORNIX_EETCLIENT=OFF)");
#endif
    const QString folder = sharedEet() + "/playground";
    if (sharedEet().isEmpty() || !QDir(folder).exists())
        QSKIP("the shared EET test material (VORNIX_SHARED_EET/playground) is not present");
    const auto inspector = makeCertificateInspector();
    const CertificateSummary bad =
        inspector->inspect(folder + "/EET_CA1_Playground-CZ00000019.p12", "spatne");
    QVERIFY(!bad.opened);
    QVERIFY2(bad.error.contains("heslo"), qPrintable(bad.error));
    const CertificateSummary missing = inspector->inspect(folder + "/neni.p12", "eet");
    QVERIFY(!missing.opened);
    QVERIFY(!missing.error.isEmpty());
    const QStringList w = settings::certificateWarnings(bad, QDateTime::currentDateTime(), "CZ00000019");
    QCOMPARE(w.size(), 1);
    QVERIFY(w.first().startsWith("Certifikát nelze otevřít"));
}

QTEST_GUILESS_MAIN(TestSettingsRules)
#include "tst_settingsrules.moc"
