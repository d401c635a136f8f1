#include "update/version.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

bool serverVersionFromFile(const QByteArray& content, QString* version)
{
    version->clear();
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = QString::fromLatin1(content).split(lineBreak);
    if (lines.size() < 2)
        return false;
    const QStringList fields = lines.at(1).split(QLatin1Char('\t'));
    if (fields.size() < 3)
        return false;
    *version = fields.at(2).left(19);
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    return stamp.match(*version).hasMatch();
}

QString localVersionText(const QDateTime& lastWrite)
{
    return QLocale::c().toString(lastWrite, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString versionDigits(const QString& version)
{
    QString out;
    for (QChar c : version)
        if (c != QLatin1Char(' ') && c != QLatin1Char('-') && c != QLatin1Char(':'))
            out.append(c);
    return out;
}

bool serverIsNewer(const QString& serverVersion, const QString& localVersion)
{
    return versionDigits(serverVersion) > versionDigits(localVersion);
}
