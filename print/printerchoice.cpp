#include "print/printerchoice.h"

#include "core/paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

QString programIniFile()
{
    QString base;
    if (QCoreApplication::instance())
        base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("vornix");
    return programFile(base + QStringLiteral(".INI"));
}

int readPrinterIndex(const QString& key)
{
    QSettings ini(programIniFile(), QSettings::IniFormat);
    bool ok = false;
    const int v = ini.value(QStringLiteral("Tiskarna/") + key).toString().trimmed().toInt(&ok);
    return ok ? v : -1;
}

void writePrinterIndex(const QString& key, int index)
{
    QSettings ini(programIniFile(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Tiskarna/") + key, QString::number(index));
    ini.sync();
}

QString printerForIndex(int index, const QStringList& printers)
{
    if (index < 0 || index >= printers.size())
        return {};
    return printers.at(index);
}

void choosePrinter(const QString& key, PrinterChooser& chooser)
{
    const QStringList printers = chooser.printerNames();
    int current = readPrinterIndex(key);
    if (current >= printers.size())
        current = -1;
    const std::optional<int> chosen = chooser.choose(printers, current);
    if (chosen && *chosen >= 0)
        writePrinterIndex(key, *chosen);
}
