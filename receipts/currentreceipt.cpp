#include "receipts/currentreceipt.h"

#include "core/error.h"
#include "core/textconv.h"
#include "db/database.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

bool isFreeTextColumn(const QString& column)
{
    return column == QLatin1String("jmeno") || column == QLatin1String("ucelplatby");
}

QString CurrentReceipt::sql() const
{
    return QStringLiteral("select * from eet where id = ") + m_id;
}

void CurrentReceipt::open(const QString& id)
{
    close();
    m_id = id;
    refresh();
}

void CurrentReceipt::close()
{
    m_open = false;
    m_editing = false;
    m_row.clear();
    m_pending.clear();
}

void CurrentReceipt::refresh()
{
    m_pending.clear();
    m_editing = false;
    m_row.clear();
    // The raw bytes of the free texts are read as blobs so that malformed UTF-8 decodes to
    // U+FFFD by our rules rather than by the driver's.
    QSqlQuery q = db::exec(
        m_db,
        QStringLiteral("select *, cast(jmeno as blob) as vx_jmeno, cast(ucelplatby as blob) as vx_ucelplatby "
                       "from eet where id = ?"),
        {m_id.toLongLong()});
    if (q.next()) {
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i) {
            const QString name = r.fieldName(i);
            if (name.startsWith(QLatin1String("vx_")))
                continue;
            m_row.insert(name, q.value(i));
        }
        for (const QString& c : {QStringLiteral("jmeno"), QStringLiteral("ucelplatby")}) {
            const QVariant raw = q.value(QStringLiteral("vx_") + c);
            m_row.insert(c, raw.isNull() ? QVariant() : QVariant(zutf(raw.toByteArray())));
        }
    }
    m_open = true;
}

QVariant CurrentReceipt::value(const QString& column) const
{
    auto p = m_pending.constFind(column);
    if (p != m_pending.constEnd())
        return *p;
    return m_row.value(column);
}

bool CurrentReceipt::isNull(const QString& column) const
{
    const QVariant v = value(column);
    return !v.isValid() || v.isNull();
}

void CurrentReceipt::setValue(const QString& column, const QVariant& v)
{
    m_editing = true;
    m_pending.insert(column, v);
}

void CurrentReceipt::post()
{
    if (m_pending.isEmpty()) {
        m_editing = false;
        return;
    }
    QStringList sets;
    QVariantList values;
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
        sets << it.key() + QStringLiteral(" = ?");
        QVariant v = it.value();
        if (isFreeTextColumn(it.key()) && !v.isNull())
            v = QString::fromUtf8(doutf(v.toString()));
        values << v;
    }
    values << m_id.toLongLong();
    db::exec(m_db,
             QStringLiteral("update eet set ") + sets.join(QStringLiteral(", ")) +
                 QStringLiteral(" where id = ?"),
             values);
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it)
        m_row.insert(it.key(), it.value());
    m_pending.clear();
    m_editing = false;
}
