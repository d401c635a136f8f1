#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace db
{

// The name of the one connection of the program.
inline const QString connectionName = QStringLiteral("ZConnection1");

// Opens (creating when missing) the database file on the named connection. Refuses, without
// touching it, a file that is not an SQLite database. Throws VornixError with a Czech text
// that names the file and the cause.
QSqlDatabase open(const QString& file, const QString& name = connectionName);

// A database without any table gets the baseline tables and one settings row; one that has
// tables but lacks eet or eet_nast is refused before anything is written.
void ensureBaseline(QSqlDatabase& db);

// Brings an older database up to the current set of columns (runs at every start).
void upgrade(QSqlDatabase& db);

// Indexes for the program's frequent look-ups on large databases. They change no result.
void ensureIndexes(QSqlDatabase& db);

// All of the start-up work on the database: baseline, upgrade, indexes.
void prepare(QSqlDatabase& db);

bool hasColumn(QSqlDatabase& db, const QString& table, const QString& column);

// Runs a statement with bound values, reconnecting a closed connection first. Throws
// VornixError naming the database's error on failure. The returned query is positioned
// before its first row.
QSqlQuery exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// Runs a query and returns the first column of its first row (invalid QVariant when none).
QVariant scalar(QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// A transaction that rolls back unless committed.
class Transaction
{
  public:
    explicit Transaction(QSqlDatabase& db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    QSqlDatabase& m_db;
    bool m_done = false;
};

// The nine-line statement that creates the line-items table; SQLite keeps this text.
QString rozpisCreateStatement();

} // namespace db
