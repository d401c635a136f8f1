#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <stdexcept>

TempProgramFolder::TempProgramFolder()
{
    m_hadHome = qEnvironmentVariableIsSet("VORNIX_HOME");
    m_oldHome = qgetenv("VORNIX_HOME");
    qputenv("VORNIX_HOME", m_dir.path().toLocal8Bit());
}

TempProgramFolder::~TempProgramFolder()
{
    if (m_hadHome)
        qputenv("VORNIX_HOME", m_oldHome);
    else
        qunsetenv("VORNIX_HOME");
}

int ScriptedPrompt::show(const QString& text, PromptIcon icon, const QStringList& buttons)
{
    shown.push_back({text, icon, buttons});
    if (answers.isEmpty())
        return 1;
    return answers.takeFirst();
}

QStringList ScriptedPrompt::texts() const
{
    QStringList t;
    for (const auto& s : shown)
        t << s.text;
    return t;
}

Peek::Peek(const QString& file) : m_name(QUuid::createUuid().toString())
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(file);
    if (!m_db.open())
        throw std::runtime_error("cannot open " + file.toStdString());
}

Peek::~Peek()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

namespace
{

// Prepares, binds and runs a statement; throws with the database's error and the statement.
QSqlQuery run(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q(db);
    bool ok = q.prepare(sql);
    if (ok) {
        for (const auto& v : values)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        throw std::runtime_error((q.lastError().text() + QStringLiteral(": ") + sql).toStdString());
    return q;
}

} // namespace

void Peek::exec(const QString& sql, const QVariantList& values)
{
    run(m_db, sql, values);
}

QVariant Peek::scalar(const QString& sql, const QVariantList& values)
{
    const auto r = rows(sql, values);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

QList<QVariantList> Peek::rows(const QString& sql, const QVariantList& values)
{
    QSqlQuery q = run(m_db, sql, values);
    const int columns = q.record().count();
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        out << row;
    }
    return out;
}

void makeBaselineDatabase(const QString& file)
{
    Peek p(file);
    p.exec(QStringLiteral(
        "CREATE TABLE eet (id INTEGER PRIMARY KEY, idkasa VARCHAR(20), uuid_zpravy VARCHAR(36), dat_odesl "
        "VARCHAR(19), prvni_zaslani VARCHAR(1), uctenka_cislo VARCHAR(20), jmeno VARCHAR(50), ucelplatby "
        "VARCHAR(100), oddata VARCHAR(10), dodata VARCHAR(10), dat_trzby VARCHAR(19), celk_trzba INTEGER, "
        "zakl_nepodl_dph REAL, zakl_dan2_sniz1 REAL, dan2_sniz1 REAL, zakl_dan3_sniz2 REAL, dan3_sniz2 REAL, "
        "zakl_dan1 REAL, dan1 REAL, cest_sluz REAL, pouzit_zboz1 REAL, pouzit_zboz2 REAL, pouzit_zboz3 REAL, "
        "celkem_za_prijate_obaly REAL, urceno_cerp_zuct INTEGER, cerp_zuct INTEGER, rezim VARCHAR(1), "
        "pkpplain "
        "VARCHAR(150), pkp VARCHAR(350), bkp VARCHAR(64), fik VARCHAR(100), dat_prijeti VARCHAR(19), "
        "zprava_xml "
        "VARCHAR(2048), chyba VARCHAR(255))"));
    p.exec(QStringLiteral(
        "CREATE TABLE eet_nast (id INTEGER PRIMARY KEY, uzivatel VARCHAR(80), ucel VARCHAR(80), dic "
        "VARCHAR(12), "
        "idprovoz VARCHAR(10), idkasa VARCHAR(10), url VARCHAR(255), timeout INTEGER, certheslo VARCHAR(50), "
        "certsoubor VARCHAR(50), overeni VARCHAR(1), zahlavi VARCHAR(255), zapati VARCHAR(255), uctenkova "
        "VARCHAR(1), pocet_tisku INTEGER)"));
    p.exec(QStringLiteral(
        "insert into eet_nast (uzivatel, ucel, dic, idprovoz, idkasa, url, timeout, certheslo, "
        "certsoubor, overeni, zahlavi, zapati, uctenkova, pocet_tisku) values ('Penzion U Lípy', "
        "'Ubytování', 'CZ1212121218', '11', 'K1', "
        "'https://pg.eet.cz/eet/services/EETServiceSOAP/v3', 2000, 'eet', 'cert.p12', '0', '', "
        "'', 'N', 1)"));
}

QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}
