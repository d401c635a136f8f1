#include "settings/settingsrow.h"

#include "core/textconv.h"
#include "db/database.h"

#include <QSqlQuery>
#include <QSqlRecord>

SettingsRow readSettings(QSqlDatabase& db)
{
    SettingsRow s;
    QSqlQuery q = db::exec(db, QStringLiteral("select *, cast(uzivatel as blob) as vx_uzivatel, "
                                              "cast(ucel as blob) as vx_ucel from eet_nast"));
    if (!q.next())
        return s;
    s.exists = true;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i) {
        const QString name = r.fieldName(i);
        if (!name.startsWith(QLatin1String("vx_")))
            s.values.insert(name, q.value(i));
    }
    for (const QString& c : {QStringLiteral("uzivatel"), QStringLiteral("ucel")}) {
        const QVariant raw = q.value(QStringLiteral("vx_") + c);
        s.values.insert(c, raw.isNull() ? QVariant() : QVariant(zutf(raw.toByteArray())));
    }
    return s;
}
