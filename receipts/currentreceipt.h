#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The one receipt shown in the receipt panel: "select * from eet where id = " + aktualni_id.
// Edits stay pending until post(); close() drops them. The free texts jmeno and ucelplatby
// are read through zutf and written through doutf.
class CurrentReceipt
{
  public:
    explicit CurrentReceipt(QSqlDatabase& db) : m_db(db) {}

    void open(const QString& id); // throws VornixError
    void close();
    void refresh(); // re-reads the row, dropping pending edits
    bool isOpen() const { return m_open; }
    bool isEditing() const { return !m_pending.isEmpty() || m_editing; }
    QString id() const { return m_id; }
    QString sql() const; // the statement the dataset stands for

    // Current value, pending edit included. Texts of jmeno/ucelplatby come decoded.
    QVariant value(const QString& column) const;
    QString text(const QString& column) const { return value(column).toString(); }
    bool isNull(const QString& column) const;

    void edit() { m_editing = true; }
    void setValue(const QString& column, const QVariant& v);
    void post(); // writes pending edits with bound values; throws VornixError

  private:
    QSqlDatabase& m_db;
    QString m_id;
    bool m_open = false;
    bool m_editing = false;
    QMap<QString, QVariant> m_row;
    QMap<QString, QVariant> m_pending;
};

// True for the columns whose stored bytes are UTF-8 free text shown through zutf.
bool isFreeTextColumn(const QString& column);
