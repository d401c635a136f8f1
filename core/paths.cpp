#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>

QString programFolder()
{
    const QByteArray home = qgetenv("VORNIX_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(QString::fromLocal8Bit(home)).absolutePath());
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString programFile(const QString& name)
{
    return programFolder() + QLatin1Char('/') + name;
}
