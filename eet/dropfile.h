#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class Till;

// The invoice another program leaves in odeslat_fa.txt: 13 lines in Windows-1250.
struct DropInvoice {
    QStringList lines; // the first 13 lines, untrimmed
};

// Splits the file's text into lines at CR LF, LF or CR.
QStringList dropFileLines(const QByteArray& bytes);

struct DropFileOutcome {
    enum Status {
        NoFile,            // nothing to do
        Done,              // registered (or stored without FIK for a later resend), printed, deleted
        Refused,           // the file could not be taken; nothing stored, the file stays
        AlreadyRegistered, // its number has a FIK already; nothing sent, the file stays
        NotDeleted,        // processed, but the file could not be deleted
    };
    Status status = NoFile;
    QString message; // what was reported
    QString id;      // the receipt made for the invoice
    int exitCode() const { return status == NoFile || status == Done ? 0 : status == NotDeleted ? 3 : 2; }
};

// Takes odeslat_fa.txt from the program folder into a receipt row of its own, completes it,
// registers it (button path), prints it directly and deletes the file. Every refusal is shown
// through the till's prompt and returned.
DropFileOutcome processDropFile(Till& till, const QString& folder);
