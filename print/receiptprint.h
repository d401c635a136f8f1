#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class Till;
class Report;
class ReportOutput;

// The print modes of tiskuct.
enum class PrintMode { PanePreview = 1, WindowPreview = 2, DialogPrint = 3, DirectPrint = 4 };

// What one tiskuct call did, for the caller and for tests.
struct PrintOutcome {
    bool done = false;     // false: refused (missing template, no receipt); a message was shown
    QString templateFile;  // base name with extension, e.g. "uctenka.vxr"
    bool itemised = false; // breakdown layout
    bool a4 = false;       // uctenkova other than "A"
    int copies = 1;
};

// The template base names for the printer kind and layout.
QString receiptTemplateName(bool receiptPrinter, bool itemised);
// Template file extension of the engine.
inline const QString templateExtension = QStringLiteral(".vxr");

// Stored header/footer bytes to at most three printed lines: decoded from UTF-8, a leading
// byte-order mark or "?" dropped (the text from its second character, at most 1000), split
// into lines.
QStringList printedLines(const QByteArray& stored);

// Lines of a text as a line-oriented editor sees them: CR LF, LF or CR end a line; a final
// line break does not start another line.
QList<QByteArray> splitLines(const QByteArray& text);
QStringList splitLines(const QString& text);

// Establishment label: idprovoz followed by "/zjed.rež." or "/běž.rež.".
QString establishmentLabel(const QString& idprovoz, const QString& jednRezim);

// Prints the receipt of the receipt panel (Till::session.aktualni_id) in one of four modes:
// 1 pane preview, 2 window preview, 3 dialog print of the pages last prepared, 4 direct print.
// Rebuilds the scratch table eet_tu, loads the template into `report` (the receipt report,
// whose prepared pages survive between calls) and hands the result to `out`. In report
// design mode every mode opens the designer instead. Throws VornixError on database errors.
PrintOutcome tiskuct(Till& till, Report& report, int mode, ReportOutput& out);

// "tisk": refuses a receipt without PKP with "Chybí odeslání na EET!", else mode 3.
bool tiskButton(Till& till, Report& report, ReportOutput& out);
