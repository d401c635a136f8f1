#include "core/receiptlist.h"

#include "core/textconv.h"
#include "db/database.h"

#include <QSqlQuery>
#include <QSqlRecord>

ReceiptListModel::ReceiptListModel(QSqlDatabase& db, QObject* parent) : QAbstractTableModel(parent), m_db(db)
{
    setObjectName(QStringLiteral("ZQuery1"));
}

const QStringList& ReceiptListModel::fields()
{
    static const QStringList f{QStringLiteral("idkasa"),     QStringLiteral("uctenka_cislo"),
                               QStringLiteral("jmeno"),      QStringLiteral("updatt"),
                               QStringLiteral("celk_trzba"), QStringLiteral("fik"),
                               QStringLiteral("updatp")};
    return f;
}

const QStringList& ReceiptListModel::titles()
{
    static const QStringList t{QStringLiteral("idkasa"),    QStringLiteral("číslo"), QStringLiteral("jméno"),
                               QStringLiteral("vystavena"), QStringLiteral("Kč"),    QStringLiteral("fik"),
                               QStringLiteral("příjata")};
    return t;
}

const QList<int>& ReceiptListModel::widths()
{
    static const QList<int> w{39, 50, 110, 112, 46, 224, 132};
    return w;
}

void ReceiptListModel::open(const QString& sql)
{
    beginResetModel();
    m_rows.clear();
    m_names.clear();
    m_sql = sql;
    try {
        // The payer is read as bytes so that zutf decides how malformed UTF-8 is shown.
        QString withRaw = sql;
        if (withRaw.startsWith(QLatin1String("select *,")))
            withRaw.insert(9, QStringLiteral(" cast(jmeno as blob) as vx_jmeno,"));
        QSqlQuery q = db::exec(m_db, withRaw);
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            m_names << r.fieldName(i);
        const int jm = m_names.indexOf(QStringLiteral("jmeno"));
        const int raw = m_names.indexOf(QStringLiteral("vx_jmeno"));
        const int n = r.count();
        while (q.next()) {
            QVector<QVariant> row(n);
            for (int i = 0; i < n; ++i)
                row[i] = q.value(i);
            if (jm >= 0 && raw >= 0 && !row[raw].isNull())
                row[jm] = zutf(row[raw].toByteArray());
            m_rows.push_back(std::move(row));
        }
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

int ReceiptListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReceiptListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(fields().size());
}

QVariant ReceiptListModel::field(int row, const QString& name) const
{
    const int c = m_names.indexOf(name);
    if (row < 0 || row >= m_rows.size() || c < 0)
        return QVariant();
    return m_rows.at(row).at(c);
}

int ReceiptListModel::rowOfId(const QString& id) const
{
    const int c = m_names.indexOf(QStringLiteral("id"));
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).at(c).toString() == id)
            return i;
    return -1;
}

QVariant ReceiptListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole) {
        const QVariant v = field(index.row(), fields().at(index.column()));
        return v.isNull() ? QVariant(QString()) : v;
    }
    if (role == Qt::TextAlignmentRole && fields().at(index.column()) == QLatin1String("celk_trzba"))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant ReceiptListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole)
        return titles().value(section);
    if (role == Qt::TextAlignmentRole && section == 4)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}
