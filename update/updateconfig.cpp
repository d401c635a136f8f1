#include "update/updateconfig.h"

#include <QFile>

QString readIniString(const QString& file, const QString& section, const QString& key,
                      const QString& fallback)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fallback;
    const QString text = QString::fromUtf8(f.readAll());
    bool inSection = false;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype end = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, end < 0 ? -1 : end - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString value = line.mid(eq + 1).trimmed();
        // A value written in double quotes is read without them, as Windows does.
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return fallback;
}

UpdateConfig readUpdateConfig(const QString& iniFile)
{
    const QString section = QStringLiteral("LogOn");
    UpdateConfig c;
    c.host = readIniString(iniFile, section, QStringLiteral("FTP"), QString::fromLatin1(defaultUpdateHost));
    c.user = readIniString(iniFile, section, QStringLiteral("FTPuser"), QStringLiteral("quenby"));
    c.password = readIniString(iniFile, section, QStringLiteral("FTPpassword"), QStringLiteral("608391qtz"));
    c.port = readIniString(iniFile, section, QStringLiteral("FTPport"), QStringLiteral("21"));
    c.passive = readIniString(iniFile, section, QStringLiteral("FTPpassive"), QStringLiteral("True")) ==
                QStringLiteral("True");
    return c;
}
