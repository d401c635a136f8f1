#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The settings row as a dialog edits it: the first row of "select * from eet_nast", its
// values as the controls show them, and the edits not yet stored. Storing writes only the
// edited columns, with bound values, in one transaction; a value that its column cannot
// take is refused before anything is written.
class SettingsEdit
{
  public:
    explicit SettingsEdit(QSqlDatabase& db) : m_db(db) {}

    // Reads the row afresh and drops pending edits. Throws VornixError on a database failure.
    void load();
    bool exists() const { return m_exists; }

    // The shown text of a column: pending edit if any, else the stored value ("" for NULL;
    // uzivatel and ucel decoded from UTF-8).
    QString text(const QString& column) const;
    QString storedText(const QString& column) const { return m_loaded.value(column); }

    // Records an edit; an edit back to the stored text is no longer pending.
    void set(const QString& column, const QString& shown);
    bool hasPendingEdits() const { return !m_pending.isEmpty(); }
    bool isPending(const QString& column) const { return m_pending.contains(column); }
    void discard() { m_pending.clear(); }

    // The first pending value that its column cannot take, as a Czech message naming the
    // field; empty when all can be stored.
    QString check() const;

    // Stores the pending edits in one transaction and reloads. Throws VornixError when the
    // row is missing or the database refuses; then nothing of the edits is stored and they
    // stay pending.
    void store();

  private:
    QSqlDatabase& m_db;
    bool m_exists = false;
    qint64 m_rowid = 0;
    QMap<QString, QString> m_loaded;
    QMap<QString, QString> m_pending;
};

namespace settings
{

// Whole number as the integer columns take it: optional blanks around, optional sign.
// Empty text is not a number here (callers decide what empty means).
bool parseWhole(const QString& text, qint64* value);

// The label of a column's control, for messages.
QString columnLabel(const QString& column);

} // namespace settings
