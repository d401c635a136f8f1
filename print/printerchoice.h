#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program INI file: in the program folder, named after the executable with ".INI".
QString programIniFile();

// Section "Tiskarna": "Index2" is the receipt printer, "Index" the overview printer, each an
// index into the system's printer list; a missing key reads as -1 (no printer imposed).
inline const QString receiptPrinterKey = QStringLiteral("Index2");
inline const QString overviewPrinterKey = QStringLiteral("Index");
int readPrinterIndex(const QString& key);
void writePrinterIndex(const QString& key, int index);

// The printer a stored index names, or an empty name (the system default printer) when
// none is stored or the index lies past the end of the list.
QString printerForIndex(int index, const QStringList& printers);

// The printer setup dialog: shown on `current` (an index into `printers`, -1 for the system
// default); returns the index chosen, or nothing when the operator cancelled.
class PrinterChooser
{
  public:
    virtual ~PrinterChooser() = default;
    virtual QStringList printerNames() = 0;
    virtual std::optional<int> choose(const QStringList& printers, int current) = 0;
};

// "Výběr tiskárny účtenek" / "Výběr tiskárny přehledů": stores the confirmed choice under
// `key`; a cancelled dialog leaves the stored index as it was.
void choosePrinter(const QString& key, PrinterChooser& chooser);
