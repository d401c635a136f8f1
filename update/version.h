#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The server version: the first 19 characters of the third TAB-separated field of the second
// line of the version file. Returns false (and leaves *version as far as it was read) when the
// file has fewer than two lines, the line fewer than three fields, or the text is not a time
// stamp "yyyy-mm-dd hh:nn:ss".
bool serverVersionFromFile(const QByteArray& content, QString* version);

// The local version: a file's last-write time as "yyyy-mm-dd hh:nn:ss", the hour always with
// two digits, independent of the locale.
QString localVersionText(const QDateTime& lastWrite);

// A version text without spaces, '-' and ':' (14 digits for a well-formed time stamp).
QString versionDigits(const QString& version);

// True when the server's version is later than the local one (digit-by-digit text comparison).
bool serverIsNewer(const QString& serverVersion, const QString& localVersion);
