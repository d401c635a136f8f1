#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Stored texts are UTF-8. zutf turns stored bytes into a shown text, each malformed or
// truncated UTF-8 sequence becoming one U+FFFD; doutf turns a shown text into stored bytes.
QString zutf(const QByteArray& stored);
QString zutf(const QVariant& stored);
QByteArray doutf(const QString& shown);

// Text of the system's single-byte code page on a Czech system (the invoice drop file).
QString fromWindows1250(const QByteArray& bytes);
