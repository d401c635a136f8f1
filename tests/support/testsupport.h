#pragma once

#include "core/clock.h"
#include "core/prompt.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

// A temporary program folder; VORNIX_HOME points at it while the object lives.
class TempProgramFolder
{
  public:
    TempProgramFolder();
    ~TempProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString dbFile() const { return file(QStringLiteral("eetlite.db3")); }

  private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    bool m_hadHome = false;
};

// A clock that stands where the test puts it.
class FixedClock : public Clock
{
  public:
    explicit FixedClock(const QDateTime& t) : m_now(t) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }

  private:
    QDateTime m_now;
};

// Answers questions from a script and records every text shown.
class ScriptedPrompt : public Prompt
{
  public:
    struct Shown {
        QString text;
        PromptIcon icon;
        QStringList buttons;
    };
    int show(const QString& text, PromptIcon icon, const QStringList& buttons) override;

    QVector<int> answers; // consumed in order; 1 when empty
    QVector<Shown> shown;
    QStringList texts() const;
};

// A second, independent connection to a database file for checking what was stored.
class Peek
{
  public:
    explicit Peek(const QString& file);
    ~Peek();
    QSqlDatabase& db() { return m_db; }
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    QList<QVariantList> rows(const QString& sql, const QVariantList& values = {});
    void exec(const QString& sql, const QVariantList& values = {});

  private:
    QString m_name;
    QSqlDatabase m_db;
};

// Creates a database of the oldest supported shape: the baseline tables eet (34 columns)
// and eet_nast (15 columns) with one settings row, and nothing else.
void makeBaselineDatabase(const QString& file);

// Bytes of a file, for proving that a file was left untouched.
QByteArray fileBytes(const QString& file);
