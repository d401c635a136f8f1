#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class BusyIndicator;
class Clock;
class Till;

// The UTC offset of a local instant as "+hh:mm" (summer time included).
QString utcOffsetSuffix(const QDateTime& local);

// Registers the receipt with this id with EET and stores the outcome in its row. Touches no
// control. Times go to the service with the real UTC offset. A failure of the component or
// the database throws VornixError; dat_odesl of the attempt stays stored.
void Odesli_eet(QSqlDatabase& db, const Clock& clock, const QString& id);

// The "EET" button: registers the receipt in the panel, then re-runs "náhled". Returns false
// when the receipt was already registered (the message was shown). Throws VornixError on a
// failure of the component or the database; the button then stays disabled.
bool eetButton(Till& till);

// The close-time resend: registers every unsent receipt once, in row order, behind the busy
// form. A receipt that gets no FIK does not stop the loop; an error does (it is rethrown after
// the busy form closed).
int resendUnsent(QSqlDatabase& db, const Clock& clock, BusyIndicator& busy);

// The query of unsent receipts of the close-time check.
QString unsentSql();

// "Zobrazit obsah chyby" / "Zobrazit odeslané XML": write chyba.xml / odeslane.xml into the
// program folder for the receipt with this number and return the file path. Returns an empty
// path (and shows the message through the prompt) when the receipt was never sent.
class Prompt;
QString writeErrorFile(QSqlDatabase& db, Prompt& prompt, const QString& folder, const QVariant& datOdesl,
                       const QString& number);
QString writeXmlFile(QSqlDatabase& db, Prompt& prompt, const QString& folder, const QVariant& datOdesl,
                     const QString& number);
