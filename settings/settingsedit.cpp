#include "settings/settingsedit.h"

#include "core/error.h"
#include "core/textconv.h"
#include "db/database.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace
{

enum class Kind { Text, Utf8Text, Integer };

struct Column {
    const char* name;
    Kind kind;
    int length; // most characters the program's fields take; 0: not limited here
    const char* label;
};

// The columns the two dialogs edit. certsoubor is declared as 50 characters, but a full
// path is often longer and SQLite keeps it whole; cutting it would break registration.
const Column columns[] = {
    {"uzivatel", Kind::Utf8Text, 80, "Označení uživatele"},
    {"ucel", Kind::Utf8Text, 80, "Obvyklý účel platby"},
    {"dic", Kind::Text, 12, "DIČ"},
    {"idprovoz", Kind::Text, 10, "ID provozovny"},
    {"idkasa", Kind::Text, 10, "ID kasy"},
    {"url", Kind::Text, 255, "Režim testování"},
    {"timeout", Kind::Integer, 0, "Timeout"},
    {"certheslo", Kind::Text, 50, "Cert.heslo"},
    {"certsoubor", Kind::Text, 0, "Cert.soubor"},
    {"overeni", Kind::Text, 1, "Režim ověření"},
    {"uctenkova", Kind::Text, 1, "Účtenková tiskárna"},
    {"pocet_tisku", Kind::Integer, 0, "Počet výtisků účtenky"},
    {"jedn_rezim", Kind::Text, 1, "Zjednodušený režim"},
    {"platce_dph", Kind::Text, 1, "Plátce DPH"},
    {"dph1", Kind::Integer, 0, "Sazby DPH"},
    {"dph2", Kind::Integer, 0, "Sazby DPH"},
    {"dph3", Kind::Integer, 0, "Sazby DPH"},
    {"dphz", Kind::Integer, 0, "Obvyklá"},
    {"od_do", Kind::Text, 1, "Ubytování od do"},
    {"rozpis", Kind::Text, 1, "Položkový rozpis"},
};

const Column* findColumn(const QString& name)
{
    for (const Column& c : columns)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString shownText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    return v.toString();
}

} // namespace

namespace settings
{

bool parseWhole(const QString& text, qint64* value)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!whole.match(text).hasMatch())
        return false;
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (ok && value)
        *value = v;
    return ok;
}

QString columnLabel(const QString& column)
{
    const Column* c = findColumn(column);
    return c ? QString::fromUtf8(c->label) : column;
}

} // namespace settings

void SettingsEdit::load()
{
    m_pending.clear();
    m_loaded.clear();
    m_exists = false;
    m_rowid = 0;
    QSqlQuery q =
        db::exec(m_db, QStringLiteral("select rowid as vx_rowid, *, cast(uzivatel as blob) as vx_uzivatel, "
                                      "cast(ucel as blob) as vx_ucel from eet_nast"));
    if (!q.next())
        return;
    m_exists = true;
    m_rowid = q.value(QStringLiteral("vx_rowid")).toLongLong();
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i) {
        const QString name = r.fieldName(i);
        if (!name.startsWith(QLatin1String("vx_")))
            m_loaded.insert(name, shownText(q.value(i)));
    }
    for (const QString& c : {QStringLiteral("uzivatel"), QStringLiteral("ucel")}) {
        const QVariant raw = q.value(QStringLiteral("vx_") + c);
        m_loaded.insert(c, raw.isNull() ? QString() : zutf(raw.toByteArray()));
    }
}

QString SettingsEdit::text(const QString& column) const
{
    const auto p = m_pending.constFind(column);
    return p != m_pending.constEnd() ? *p : m_loaded.value(column);
}

void SettingsEdit::set(const QString& column, const QString& shown)
{
    Q_ASSERT(findColumn(column));
    if (m_loaded.contains(column) && m_loaded.value(column) == shown)
        m_pending.remove(column);
    else
        m_pending.insert(column, shown);
}

QString SettingsEdit::check() const
{
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
        const Column* c = findColumn(it.key());
        if (!c)
            return QStringLiteral("Sloupec „%1“ nelze uložit.").arg(it.key());
        const QString label = QString::fromUtf8(c->label);
        if (c->kind == Kind::Integer) {
            if (!it.value().trimmed().isEmpty() && !settings::parseWhole(it.value(), nullptr))
                return QStringLiteral("Hodnota „%1“ v poli „%2“ není celé číslo. Nastavení nebylo uloženo.")
                    .arg(it.value(), label);
        } else if (c->length > 0 && it.value().size() > c->length) {
            return QStringLiteral(
                       "Pole „%1“ může mít nejvýše %2 znaků (zadáno %3). Nastavení nebylo uloženo.")
                .arg(label)
                .arg(c->length)
                .arg(it.value().size());
        }
    }
    return QString();
}

void SettingsEdit::store()
{
    if (m_pending.isEmpty())
        return;
    if (!m_exists)
        throw VornixError(QStringLiteral("Tabulka eet_nast nemá řádek nastavení, nastavení nelze uložit."));
    const QString refusal = check();
    if (!refusal.isEmpty())
        throw VornixError(refusal);

    QStringList assignments;
    QVariantList values;
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
        const Column* c = findColumn(it.key());
        // Column names come only from the fixed list above; values are bound.
        assignments << QString::fromLatin1(c->name) + QStringLiteral(" = ?");
        if (c->kind == Kind::Integer) {
            qint64 v = 0;
            values << (it.value().trimmed().isEmpty() || !settings::parseWhole(it.value(), &v) ? QVariant()
                                                                                               : QVariant(v));
        } else if (c->kind == Kind::Utf8Text) {
            values << QString::fromUtf8(doutf(it.value()));
        } else {
            values << it.value();
        }
    }
    values << m_rowid;
    db::Transaction t(m_db);
    db::exec(
        m_db,
        QStringLiteral("update eet_nast set %1 where rowid = ?").arg(assignments.join(QStringLiteral(", "))),
        values);
    t.commit();
    load();
}
