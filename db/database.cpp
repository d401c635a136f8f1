#include "db/database.h"

#include "core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

namespace db
{

namespace
{

QString describe(const QSqlError& e)
{
    QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    if (text.contains(QLatin1String("database is locked")))
        return QStringLiteral("databáze je zamčena jiným programem (%1)").arg(text);
    if (text.contains(QLatin1String("readonly")) || text.contains(QLatin1String("read-only")))
        return QStringLiteral("do databáze nelze zapisovat (%1)").arg(text);
    return text;
}

const char* const baselineEet = "CREATE TABLE eet ("
                                "id INTEGER PRIMARY KEY, "
                                "idkasa VARCHAR(20), "
                                "uuid_zpravy VARCHAR(36), "
                                "dat_odesl VARCHAR(19), "
                                "prvni_zaslani VARCHAR(1), "
                                "uctenka_cislo VARCHAR(20), "
                                "jmeno VARCHAR(50), "
                                "ucelplatby VARCHAR(100), "
                                "oddata VARCHAR(10), "
                                "dodata VARCHAR(10), "
                                "dat_trzby VARCHAR(19), "
                                "celk_trzba INTEGER, "
                                "zakl_nepodl_dph REAL, "
                                "zakl_dan2_sniz1 REAL, "
                                "dan2_sniz1 REAL, "
                                "zakl_dan3_sniz2 REAL, "
                                "dan3_sniz2 REAL, "
                                "zakl_dan1 REAL, "
                                "dan1 REAL, "
                                "cest_sluz REAL, "
                                "pouzit_zboz1 REAL, "
                                "pouzit_zboz2 REAL, "
                                "pouzit_zboz3 REAL, "
                                "celkem_za_prijate_obaly REAL, "
                                "urceno_cerp_zuct INTEGER, "
                                "cerp_zuct INTEGER, "
                                "rezim VARCHAR(1), "
                                "pkpplain VARCHAR(150), "
                                "pkp VARCHAR(350), "
                                "bkp VARCHAR(64), "
                                "fik VARCHAR(100), "
                                "dat_prijeti VARCHAR(19), "
                                "zprava_xml VARCHAR(2048), "
                                "chyba VARCHAR(255))";

const char* const baselineNast = "CREATE TABLE eet_nast ("
                                 "id INTEGER PRIMARY KEY, "
                                 "uzivatel VARCHAR(80), "
                                 "ucel VARCHAR(80), "
                                 "dic VARCHAR(12), "
                                 "idprovoz VARCHAR(10), "
                                 "idkasa VARCHAR(10), "
                                 "url VARCHAR(255), "
                                 "timeout INTEGER, "
                                 "certheslo VARCHAR(50), "
                                 "certsoubor VARCHAR(50), "
                                 "overeni VARCHAR(1), "
                                 "zahlavi VARCHAR(255), "
                                 "zapati VARCHAR(255), "
                                 "uctenkova VARCHAR(1), "
                                 "pocet_tisku INTEGER)";

void run(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql))
        throw VornixError(QStringLiteral("Chyba databáze: %1\nPříkaz: %2").arg(describe(q.lastError()), sql));
}

bool pragmaHas(QSqlQuery& q, const QString& table, const QString& column)
{
    run(q, QStringLiteral("PRAGMA table_info(%1)").arg(table));
    bool found = false;
    while (q.next())
        if (q.value(QStringLiteral("name")).toString() == column)
            found = true;
    q.finish();
    return found;
}

} // namespace

QString rozpisCreateStatement()
{
    return QStringLiteral("CREATE TABLE \"rozpis\" (\n"
                          "\"id\"  INTEGER NOT NULL,\n"
                          "\"uctenka_cislo\"  VARCHAR(20),\n"
                          "\"polozka\"  VARCHAR(50),\n"
                          "\"cena\"  REAL(10,2),\n"
                          "\"ks\"  REAL(6,2),\n"
                          "\"suma\"  REAL(10,2),\n"
                          "PRIMARY KEY (\"id\")\n"
                          ");");
}

QSqlDatabase open(const QString& file, const QString& name)
{
    const QFileInfo info(file);
    if (info.exists()) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw VornixError(QStringLiteral("Databázi „%1“ nelze otevřít: %2")
                                  .arg(QDir::toNativeSeparators(file), f.errorString()));
        const QByteArray head = f.read(16);
        if (!head.isEmpty() && head != QByteArray("SQLite format 3\0", 16))
            throw VornixError(QStringLiteral("Soubor „%1“ není databáze SQLite. Soubor zůstal beze změny.")
                                  .arg(QDir::toNativeSeparators(file)));
    } else if (!QFileInfo(info.absolutePath()).isWritable()) {
        throw VornixError(QStringLiteral("Databázi „%1“ nelze založit: do složky nelze zapisovat.")
                              .arg(QDir::toNativeSeparators(file)));
    }

    QSqlDatabase db = QSqlDatabase::contains(name)
                          ? QSqlDatabase::database(name, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw VornixError(QStringLiteral("Databázi „%1“ nelze otevřít: %2")
                              .arg(QDir::toNativeSeparators(file), describe(db.lastError())));
    // Reading the schema makes SQLite check the file now rather than at the first command.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select count(*) from sqlite_master"))) {
        const QString why = describe(q.lastError());
        q.finish();
        db.close();
        throw VornixError(
            QStringLiteral("Databázi „%1“ nelze číst: %2").arg(QDir::toNativeSeparators(file), why));
    }
    return db;
}

void ensureBaseline(QSqlDatabase& db)
{
    const int tables =
        scalar(db, QStringLiteral("select count(*) from sqlite_master where type = 'table'")).toInt();
    if (tables == 0) {
        Transaction t(db);
        QSqlQuery q(db);
        run(q, QString::fromLatin1(baselineEet));
        run(q, QString::fromLatin1(baselineNast));
        exec(db,
             QStringLiteral(
                 "insert into eet_nast (uzivatel, ucel, dic, idprovoz, idkasa, url, timeout, certheslo, "
                 "certsoubor, overeni, zahlavi, zapati, uctenkova, pocet_tisku) "
                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {QString(), QStringLiteral("Tržba"), QString(), QStringLiteral("1"), QStringLiteral("1"),
              QStringLiteral("https://pg.eet.cz/eet/services/EETServiceSOAP/v3"), 3000, QString(), QString(),
              QStringLiteral("0"), QString(), QString(), QStringLiteral("N"), 1});
        t.commit();
        return;
    }
    for (const char* table : {"eet", "eet_nast"}) {
        const QVariant found =
            scalar(db, QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?"),
                   {QString::fromLatin1(table)});
        if (found.toInt() == 0)
            throw VornixError(
                QStringLiteral("Databáze „%1“ neobsahuje tabulku „%2“. Databáze zůstala beze změny.")
                    .arg(QDir::toNativeSeparators(db.databaseName()), QString::fromLatin1(table)));
    }
}

void upgrade(QSqlDatabase& db)
{
    QSqlQuery q(db);
    const auto nast = QStringLiteral("eet_nast");
    const auto eet = QStringLiteral("eet");

    run(q, QStringLiteral("PRAGMA table_info(rozpis)"));
    const bool hasRozpis = q.next();
    q.finish();
    if (!hasRozpis)
        run(q, rozpisCreateStatement());

    auto step = [&](const QString& table, const QString& column,
                    std::initializer_list<const char*> statements) {
        if (pragmaHas(q, table, column))
            return;
        for (const char* s : statements)
            run(q, QString::fromUtf8(s));
    };
    step(nast, QStringLiteral("jedn_rezim"),
         {"alter table eet_nast add column jedn_rezim VARCHAR(1)", "update eet_nast set jedn_rezim = \"N\""});
    step(nast, QStringLiteral("platce_dph"),
         {"alter table eet_nast add column platce_dph VARCHAR(1)", "update eet_nast set platce_dph = \"N\""});
    step(nast, QStringLiteral("dph1"),
         {"alter table eet_nast add column dph1 INTEGER", "update eet_nast set dph1 = 21",
          "alter table eet_nast add column dph2 INTEGER", "update eet_nast set dph2 = 15",
          "alter table eet_nast add column dph3 INTEGER", "update eet_nast set dph3 = 10",
          "alter table eet_nast add column dphz INTEGER", "update eet_nast set dphz = 21"});
    step(nast, QStringLiteral("od_do"),
         {"alter table eet_nast add column od_do VARCHAR(1)", "update eet_nast set od_do = \"A\""});
    step(nast, QStringLiteral("rozpis"),
         {"alter table eet_nast add column rozpis VARCHAR(1)", "update eet_nast set rozpis = \"N\""});
    step(eet, QStringLiteral("dph"),
         {"alter table eet add column dph INTEGER", "update eet set dph = 0",
          "alter table eet add column zaklad_dph REAL(8,2)", "update eet set zaklad_dph = 0.00",
          "alter table eet add column suma_dph REAL(8,2)", "update eet set suma_dph = 0.00"});
    step(eet, QStringLiteral("idprovoz"),
         {"alter table eet add column idprovoz VARCHAR(20)", "update eet set idprovoz = \"11\""});
}

void ensureIndexes(QSqlDatabase& db)
{
    // Equality look-ups only (working row, unsent receipts, numbering, list range): an index
    // scan of equal keys returns rows in row order, so no unordered query changes its order.
    QSqlQuery q(db);
    run(q, QStringLiteral("CREATE INDEX IF NOT EXISTS vx_eet_celk_trzba ON eet (celk_trzba)"));
    run(q, QStringLiteral("CREATE INDEX IF NOT EXISTS vx_eet_uctenka_cislo ON eet (uctenka_cislo)"));
    run(q, QStringLiteral("CREATE INDEX IF NOT EXISTS vx_eet_cislo_trim ON eet (trim(uctenka_cislo))"));
    if (pragmaHas(q, QStringLiteral("rozpis"), QStringLiteral("uctenka_cislo")))
        run(q, QStringLiteral("CREATE INDEX IF NOT EXISTS vx_rozpis_cislo ON rozpis (uctenka_cislo)"));
    run(q, QStringLiteral("CREATE INDEX IF NOT EXISTS vx_eet_dat_trzby ON eet (dat_trzby)"));
    run(q, QStringLiteral("CREATE INDEX IF NOT EXISTS vx_eet_fik ON eet (fik)"));
}

void prepare(QSqlDatabase& db)
{
    ensureBaseline(db);
    upgrade(db);
    ensureIndexes(db);
}

bool hasColumn(QSqlDatabase& db, const QString& table, const QString& column)
{
    QSqlQuery q(db);
    return pragmaHas(q, table, column);
}

QSqlQuery exec(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    if (!db.isOpen() && !db.open())
        throw VornixError(QStringLiteral("Databázi nelze znovu otevřít: %1").arg(describe(db.lastError())));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw VornixError(QStringLiteral("Chyba databáze: %1\nPříkaz: %2").arg(describe(q.lastError()), sql));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw VornixError(QStringLiteral("Chyba databáze: %1\nPříkaz: %2").arg(describe(q.lastError()), sql));
    return q;
}

QVariant scalar(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = exec(db, sql, values);
    if (q.next())
        return q.value(0);
    return QVariant();
}

Transaction::Transaction(QSqlDatabase& db) : m_db(db)
{
    if (!m_db.isOpen() && !m_db.open())
        throw VornixError(QStringLiteral("Databázi nelze znovu otevřít: %1").arg(describe(m_db.lastError())));
    if (!m_db.transaction())
        throw VornixError(QStringLiteral("Transakci nelze zahájit: %1").arg(describe(m_db.lastError())));
}

Transaction::~Transaction()
{
    if (!m_done)
        m_db.rollback();
}

void Transaction::commit()
{
    if (!m_db.commit())
        throw VornixError(QStringLiteral("Transakci nelze potvrdit: %1").arg(describe(m_db.lastError())));
    m_done = true;
}

} // namespace db
