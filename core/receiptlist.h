#pragma once

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QVector>

// The receipt list (ZQuery1): the receipts of the date range, read-only, seven columns.
// All rows are read in one pass when the list is opened.
class ReceiptListModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    explicit ReceiptListModel(QSqlDatabase& db, QObject* parent = nullptr);

    void open(const QString& sql); // throws VornixError
    const QString& sql() const { return m_sql; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Field value of a row by column name ("id", "uctenka_cislo", "pkp", ...).
    QVariant field(int row, const QString& name) const;
    int rowOfId(const QString& id) const;

    static const QStringList& fields();
    static const QStringList& titles();
    static const QList<int>& widths();

  private:
    QSqlDatabase& m_db;
    QString m_sql;
    QStringList m_names;
    QVector<QVector<QVariant>> m_rows;
};
