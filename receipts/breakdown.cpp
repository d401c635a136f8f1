#include "receipts/breakdown.h"

#include "core/error.h"
#include "core/textconv.h"
#include "core/till.h"
#include "db/database.h"

#include <QSqlQuery>
#include <QStringList>

#include <cmath>

QString formatLineNumber(const QVariant& value, bool grouped)
{
    if (!value.isValid() || value.isNull())
        return QString();
    double v = value.toDouble();
    QString text = QString::number(v, 'f', 2);
    if (text == QLatin1String("-0.00"))
        text = QStringLiteral("0.00");
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    QString whole = text.left(dot);
    const QString cents = text.mid(dot + 1);
    if (grouped) {
        for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
            whole.insert(at, QLatin1Char(' '));
    }
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',') + cents;
}

bool parseLineNumber(const QString& text, double* out)
{
    QString t = text;
    t.remove(QLatin1Char(' '));
    t.remove(QChar(0x00A0));
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    if (t.isEmpty()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    const double v = t.toDouble(&ok); // QString::toDouble is locale-independent
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

Breakdown::Breakdown(Till& till) : m_till(till) {}

QString Breakdown::condition(QVariantList* values) const
{
    if (!m_number.isEmpty()) {
        *values << m_number;
        return QStringLiteral(" uctenka_cislo = ?");
    }
    return QStringLiteral(" uctenka_cislo ISNULL");
}

void Breakdown::open()
{
    m_open = false;
    m_lines.clear();
    m_number = m_till.panel.numberLabel;
    QSqlDatabase& db = m_till.db();
    QVariantList values;
    const QString cond = condition(&values);

    db::Transaction t(db);
    if (!m_number.isEmpty()) {
        qint64 lines =
            db::scalar(db, QStringLiteral("select count(*) from rozpis where uctenka_cislo = ?"), {m_number})
                .toLongLong();
        for (; lines < 16; ++lines)
            db::exec(db,
                     QStringLiteral(
                         "insert into rozpis (uctenka_cislo,polozka,cena,ks,suma) values (?, ?, 0, 0, 0)"),
                     {m_number, QStringLiteral("")});
    } else if (!db::scalar(db, QStringLiteral("select id from rozpis where uctenka_cislo ISNULL"))
                    .isValid()) {
        for (int i = 0; i < 15; ++i)
            db::exec(db, QStringLiteral("insert into rozpis (polozka,cena,ks,suma) values (?, 0, 0, 0)"),
                     {QStringLiteral("")});
    }
    db::exec(db, QStringLiteral("drop table if exists rozpis_ul"));
    db::exec(db, QStringLiteral("create temporary table rozpis_ul as select * from rozpis where") + cond,
             values);
    t.commit();

    load();
    m_readOnly = !m_till.current.isNull(QStringLiteral("pkp"));
    m_open = true;
}

void Breakdown::load()
{
    QVariantList values;
    const QString cond = condition(&values);
    // The item text is read as bytes so that malformed UTF-8 shows by our rules and a
    // taken item can be written back byte for byte.
    QSqlQuery q = db::exec(
        m_till.db(),
        QStringLiteral("select id, cast(polozka as blob) as vx_polozka, cena, ks from rozpis where") + cond +
            QStringLiteral(" order by id"),
        values);
    while (q.next()) {
        BreakdownLine l;
        l.id = q.value(0).toLongLong();
        const QVariant p = q.value(1);
        l.stored.polozkaNull = p.isNull();
        l.stored.polozka = p.toByteArray();
        l.stored.cena = q.value(2);
        l.stored.ks = q.value(3);
        l.shown = l.stored;
        m_lines.push_back(l);
    }
}

QString Breakdown::displayText(int row, int column) const
{
    const BreakdownLine::Values& v = m_lines.at(row).shown;
    switch (column) {
    case Polozka:
        return v.polozkaNull ? QString() : zutf(v.polozka);
    case Cena:
    case Ks:
        return formatLineNumber(column == Cena ? v.cena : v.ks, true);
    default:
        return QString();
    }
}

QString Breakdown::editText(int row, int column) const
{
    const BreakdownLine::Values& v = m_lines.at(row).shown;
    if (column == Polozka)
        return v.polozkaNull ? QString() : zutf(v.polozka);
    return formatLineNumber(column == Cena ? v.cena : v.ks, false);
}

bool Breakdown::setText(int row, int column, const QString& text)
{
    if (m_readOnly || row < 0 || row >= count())
        return false;
    BreakdownLine& l = m_lines[row];
    if (column == Polozka) {
        const QByteArray stored = doutf(text);
        if (!l.shown.polozkaNull && l.shown.polozka == stored)
            return true;
        l.shown.polozka = stored;
        l.shown.polozkaNull = false;
        l.polozkaDirty = true;
        return true;
    }
    double v = 0;
    if (!parseLineNumber(text, &v))
        return false;
    if (column == Cena) {
        l.shown.cena = v;
        l.cenaDirty = true;
    } else if (column == Ks) {
        l.shown.ks = v;
        l.ksDirty = true;
    } else {
        return false;
    }
    return true;
}

bool Breakdown::take(int row, const LookupItem& item)
{
    if (m_readOnly || row < 0 || row >= count())
        return false;
    BreakdownLine& l = m_lines[row];
    l.shown.polozka = item.polozka;
    l.shown.polozkaNull = false;
    l.shown.cena = item.cena;
    l.polozkaDirty = true;
    l.cenaDirty = true;
    return true;
}

void Breakdown::post(int row)
{
    if (row < 0 || row >= count())
        return;
    BreakdownLine& l = m_lines[row];
    if (!l.dirty())
        return;
    QStringList sets;
    QVariantList values;
    if (l.polozkaDirty) {
        // Bytes bound as a blob and cast to text keep the stored text exactly as given.
        sets << QStringLiteral("polozka = cast(? as text)");
        values << QVariant(l.shown.polozka);
    }
    if (l.cenaDirty) {
        sets << QStringLiteral("cena = ?");
        values << l.shown.cena;
    }
    if (l.ksDirty) {
        sets << QStringLiteral("ks = ?");
        values << l.shown.ks;
    }
    values << l.id;
    db::exec(m_till.db(),
             QStringLiteral("update rozpis set ") + sets.join(QStringLiteral(", ")) +
                 QStringLiteral(" where id = ?"),
             values);
    l.stored = l.shown;
    l.polozkaDirty = l.cenaDirty = l.ksDirty = false;
}

void Breakdown::discard(int row)
{
    if (row < 0 || row >= count())
        return;
    BreakdownLine& l = m_lines[row];
    l.shown = l.stored;
    l.polozkaDirty = l.cenaDirty = l.ksDirty = false;
}

void Breakdown::deleteLine(int row)
{
    if (m_readOnly || row < 0 || row >= count())
        return;
    db::exec(m_till.db(), QStringLiteral("delete from rozpis where id = ?"), {m_lines.at(row).id});
    m_lines.remove(row);
}

QVector<LookupItem> Breakdown::lookupItems()
{
    // max(id) makes SQLite take the bare columns (the price) from the latest line of each item.
    QSqlQuery q =
        db::exec(m_till.db(),
                 QStringLiteral("select cast(polozka || ? || cena || ? as blob) as hledam, "
                                "cast(polozka as blob) as polozka, cena, max(id) as posl from rozpis "
                                "where polozka NOTNULL and uctenka_cislo NOTNULL and suma <> 0 group by "
                                "polozka\norder by polozka"),
                 {QStringLiteral(", "), QStringLiteral(" Kč")});
    QVector<LookupItem> items;
    while (q.next()) {
        LookupItem item;
        item.hledam = zutf(q.value(0).toByteArray());
        item.polozka = q.value(1).toByteArray();
        item.cena = q.value(2);
        items.push_back(item);
    }
    return items;
}

void Breakdown::save()
{
    for (int row = 0; row < count(); ++row)
        post(row);
    m_lines.clear();
    m_open = false;
}

void Breakdown::cancel()
{
    for (int row = 0; row < count(); ++row)
        discard(row);
    QSqlDatabase& db = m_till.db();
    QVariantList values;
    const QString cond = condition(&values);
    {
        db::Transaction t(db);
        db::exec(db, QStringLiteral("delete from rozpis where") + cond, values);
        db::exec(db, QStringLiteral("insert into rozpis select * from rozpis_ul"));
        t.commit();
    }
    m_lines.clear();
    m_open = false;
}

void Breakdown::close()
{
    m_lines.clear();
    m_open = false;
}
