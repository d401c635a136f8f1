#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The first row of "select * from eet_nast", read afresh by each command that needs it.
// The free texts uzivatel and ucel come decoded (zutf).
struct SettingsRow {
    bool exists = false;
    QMap<QString, QVariant> values;

    QString text(const QString& column) const { return values.value(column).toString(); }
    QVariant value(const QString& column) const { return values.value(column); }
    bool isNull(const QString& column) const
    {
        const QVariant v = values.value(column);
        return !v.isValid() || v.isNull();
    }
};

SettingsRow readSettings(QSqlDatabase& db);
