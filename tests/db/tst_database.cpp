#include "core/error.h"
#include "db/database.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

namespace
{

// The settings row and the receipt columns that the upgrade adds, as stored.
QVariantList settingsAfterUpgrade(Peek& p)
{
    return p.rows("select jedn_rezim, platce_dph, dph1, dph2, dph3, dphz, od_do, rozpis from eet_nast")
        .value(0);
}

QStringList columns(Peek& p, const QString& table)
{
    QStringList out;
    for (const auto& r : p.rows(QStringLiteral("select name from pragma_table_info('%1')").arg(table)))
        out << r.value(0).toString();
    return out;
}

struct Opened {
    QSqlDatabase db;
    explicit Opened(const QString& file) : db(db::open(file, QStringLiteral("under_test"))) {}
    ~Opened()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("under_test"));
    }
};

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT
  private slots:
    void upgradesOldDatabase();
    void testsOnlyDph1();
    void keepsExistingRozpis();
    void upgradeIsIdempotent();
    void freshEmptyFileGetsBaseline();
    void missingFileGetsBaseline();
    void refusesNonDatabase();
    void refusesMissingBaselineTable_data();
    void refusesMissingBaselineTable();
    void displayExpressions();
    void reconnectsClosedConnection();
};

void TestDatabase::upgradesOldDatabase()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    {
        Peek p(dir.dbFile());
        p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo) values ('K1', 100, '240001')");
        p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo) values ('K1', 200, '240002')");
    }
    {
        Opened o(dir.dbFile());
        db::prepare(o.db);
        db::exec(o.db, "insert into eet (idkasa, celk_trzba) values ('K1', 0)");
    }
    Peek p(dir.dbFile());
    QCOMPARE(settingsAfterUpgrade(p), (QVariantList{"N", "N", 21, 15, 10, 21, "A", "N"}));
    const auto rows = p.rows("select dph, zaklad_dph, suma_dph, idprovoz from eet order by id");
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(rows[i][0].toInt(), 0);
        QCOMPARE(rows[i][1].toDouble(), 0.0);
        QCOMPARE(rows[i][2].toDouble(), 0.0);
        QCOMPARE(rows[i][3].toString(), QString("11"));
    }
    QVERIFY2(rows[2][3].isNull(), "rows inserted after the upgrade have idprovoz NULL");
    QCOMPARE(columns(p, "eet").mid(34), (QStringList{"dph", "zaklad_dph", "suma_dph", "idprovoz"}));
    QCOMPARE(columns(p, "eet_nast").mid(15),
             (QStringList{"jedn_rezim", "platce_dph", "dph1", "dph2", "dph3", "dphz", "od_do", "rozpis"}));
    // SQLite keeps the statement text without its closing semicolon.
    QCOMPARE(p.scalar("select sql from sqlite_master where name = 'rozpis'").toString() + ";",
             db::rozpisCreateStatement());
    QCOMPARE(
        db::rozpisCreateStatement().split('\n'),
        (QStringList{"CREATE TABLE \"rozpis\" (", "\"id\"  INTEGER NOT NULL,",
                     "\"uctenka_cislo\"  VARCHAR(20),", "\"polozka\"  VARCHAR(50),", "\"cena\"  REAL(10,2),",
                     "\"ks\"  REAL(6,2),", "\"suma\"  REAL(10,2),", "PRIMARY KEY (\"id\")", ");"}));
}

void TestDatabase::testsOnlyDph1()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    {
        Peek p(dir.dbFile());
        p.exec("alter table eet_nast add column dph1 INTEGER");
        p.exec("update eet_nast set dph1 = 20");
    }
    {
        Opened o(dir.dbFile());
        db::prepare(o.db);
    }
    Peek p(dir.dbFile());
    const QStringList cols = columns(p, "eet_nast");
    QVERIFY(cols.contains("dph1"));
    QVERIFY(!cols.contains("dph2"));
    QVERIFY(!cols.contains("dph3"));
    QVERIFY(!cols.contains("dphz"));
    QCOMPARE(p.scalar("select dph1 from eet_nast").toInt(), 20);
    QCOMPARE(cols.mid(15), (QStringList{"dph1", "jedn_rezim", "platce_dph", "od_do", "rozpis"}));
}

void TestDatabase::keepsExistingRozpis()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    const QString own = "CREATE TABLE rozpis (x TEXT, y INTEGER)";
    {
        Peek p(dir.dbFile());
        p.exec(own);
        p.exec("insert into rozpis values ('a', 1)");
    }
    {
        Opened o(dir.dbFile());
        db::prepare(o.db);
    }
    Peek p(dir.dbFile());
    QCOMPARE(p.scalar("select sql from sqlite_master where name = 'rozpis'").toString(), own);
    QCOMPARE(p.scalar("select count(*) from rozpis").toInt(), 1);
}

void TestDatabase::upgradeIsIdempotent()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    {
        Opened o(dir.dbFile());
        db::prepare(o.db);
    }
    QString schemaBefore;
    QVariantList settingsBefore;
    {
        Peek p(dir.dbFile());
        for (const auto& r : p.rows("select sql from sqlite_master order by name"))
            schemaBefore += r[0].toString() + '\n';
        settingsBefore = p.rows("select * from eet_nast").value(0);
    }
    {
        Opened o(dir.dbFile());
        const int before = db::scalar(o.db, "select total_changes()").toInt();
        db::prepare(o.db);
        QCOMPARE(db::scalar(o.db, "select total_changes()").toInt(), before);
    }
    Peek p(dir.dbFile());
    QString schemaAfter;
    for (const auto& r : p.rows("select sql from sqlite_master order by name"))
        schemaAfter += r[0].toString() + '\n';
    QCOMPARE(schemaAfter, schemaBefore);
    QCOMPARE(p.rows("select * from eet_nast").value(0), settingsBefore);
}

void TestDatabase::freshEmptyFileGetsBaseline()
{
    TempProgramFolder dir;
    QFile f(dir.dbFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    {
        Opened o(dir.dbFile());
        db::prepare(o.db);
    }
    Peek p(dir.dbFile());
    QCOMPARE(columns(p, "eet").size(), 38);
    QCOMPARE(columns(p, "eet").first(), QString("id"));
    QCOMPARE(columns(p, "eet").at(33), QString("chyba"));
    QCOMPARE(columns(p, "eet_nast").size(), 23);
    QCOMPARE(columns(p, "eet_nast").at(14), QString("pocet_tisku"));
    QCOMPARE(p.scalar("select count(*) from eet_nast").toInt(), 1);
    const auto row = p.rows("select idkasa, idprovoz, url, timeout, overeni, uctenkova, pocet_tisku, ucel, "
                            "platce_dph, rozpis from eet_nast")
                         .value(0);
    QCOMPARE(row.value(0).toString(), QString("1"));
    QCOMPARE(row.value(1).toString(), QString("1"));
    QCOMPARE(row.value(2).toString(), QString("https://pg.eet.cz/eet/services/EETServiceSOAP/v3"));
    QVERIFY(row.value(3).toInt() >= 1000);
    QCOMPARE(row.value(4).toString(), QString("0"));
    QCOMPARE(row.value(5).toString(), QString("N"));
    QCOMPARE(row.value(6).toInt(), 1);
    QVERIFY(!row.value(7).toString().isEmpty());
    QCOMPARE(row.value(8).toString(), QString("N"));
    QCOMPARE(row.value(9).toString(), QString("N"));
    QVERIFY(p.scalar("select count(*) from sqlite_master where name = 'rozpis'").toInt() == 1);
}

void TestDatabase::missingFileGetsBaseline()
{
    TempProgramFolder dir;
    QVERIFY(!QFile::exists(dir.dbFile()));
    {
        Opened o(dir.dbFile());
        db::prepare(o.db);
    }
    Peek p(dir.dbFile());
    QCOMPARE(p.scalar("select count(*) from eet_nast").toInt(), 1);
}

void TestDatabase::refusesNonDatabase()
{
    TempProgramFolder dir;
    QByteArray content("Toto je textový soubor, ne databáze.\n");
    content += QByteArray(5000, 'x');
    {
        QFile f(dir.dbFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    try {
        Opened o(dir.dbFile());
        QFAIL("a text file was opened as a database");
    } catch (const VornixError& e) {
        QVERIFY2(e.text().contains("eetlite.db3"), qPrintable(e.text()));
        QVERIFY2(e.text().contains("není databáze"), qPrintable(e.text()));
    }
    QCOMPARE(fileBytes(dir.dbFile()), content);
}

void TestDatabase::refusesMissingBaselineTable_data()
{
    QTest::addColumn<QString>("create");
    QTest::addColumn<QString>("missing");
    QTest::newRow("no eet") << "CREATE TABLE eet_nast (id INTEGER PRIMARY KEY, ucel TEXT)"
                            << "eet";
    QTest::newRow("no eet_nast") << "CREATE TABLE eet (id INTEGER PRIMARY KEY, celk_trzba INTEGER)"
                                 << "eet_nast";
    QTest::newRow("other table only") << "CREATE TABLE zakaznici (id INTEGER PRIMARY KEY)"
                                      << "eet";
}

void TestDatabase::refusesMissingBaselineTable()
{
    QFETCH(QString, create);
    QFETCH(QString, missing);
    TempProgramFolder dir;
    {
        Peek p(dir.dbFile());
        p.exec(create);
    }
    const QByteArray before = fileBytes(dir.dbFile());
    {
        Opened o(dir.dbFile());
        try {
            db::prepare(o.db);
            QFAIL("a database without a baseline table was accepted");
        } catch (const VornixError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("„%1“").arg(missing)), qPrintable(e.text()));
        }
    }
    QCOMPARE(fileBytes(dir.dbFile()), before);
}

void TestDatabase::displayExpressions()
{
    TempProgramFolder dir;
    Opened o(dir.dbFile());
    db::prepare(o.db);
    db::exec(
        o.db,
        "insert into eet (celk_trzba, oddata, dat_trzby) values (5, '2024-03-05', '2024-03-05 07:08:09')");
    QSqlQuery q = db::exec(
        o.db,
        "select substr(oddata,9,2) || \".\" || substr(oddata,6,2) || \".\" || substr(oddata,1,4) as prodd, "
        "substr(dat_trzby,9,2) || \".\" || substr(dat_trzby,6,2) || \".\" || substr(dat_trzby,1,4) || \" \" "
        "|| "
        "substr(dat_trzby,12,8) as updatt, substr(dat_prijeti ,9,2) || \".\" || substr(dat_prijeti,6,2) as "
        "updatp from eet");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString("05.03.2024"));
    QCOMPARE(q.value(1).toString(), QString("05.03.2024 07:08:09"));
    QVERIFY(q.value(2).isNull());
}

void TestDatabase::reconnectsClosedConnection()
{
    TempProgramFolder dir;
    Opened o(dir.dbFile());
    db::prepare(o.db);
    o.db.close();
    QCOMPARE(db::scalar(o.db, "select count(*) from eet_nast").toInt(), 1);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
