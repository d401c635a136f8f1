#pragma once

#include <QString>

class Till;

// "Storno k účtence" on the receipt with this id (the list's current row): a new receipt with
// the negated total and the purpose followed by " - storno - " and the number, loaded into the
// receipt panel ready for "náhled". The receipt being entered is discarded. It keeps the
// cancelled receipt's VAT rate, so completion splits the negative total with it. Returns false
// when refused (the message was shown). All statements run in one transaction; a database
// failure throws VornixError and leaves everything as it was.
bool stornoUctenky(Till& till, const QString& id);

// What "Zrušit účtenku" did: refused (a message was shown), kept (the operator answered
// "storno") or deleted.
enum class DeleteOutcome { Refused, Kept, Deleted };

// "Zrušit účtenku" on the receipt with this id: only the last receipt, only without FIK, only
// after the operator confirms. Deletes the receipt and its breakdown lines in one transaction;
// when it was in the receipt panel, "nová účtenka" follows. The list then moves to its last
// row unless the command was refused.
DeleteOutcome zrusitUctenku(Till& till, const QString& id);
