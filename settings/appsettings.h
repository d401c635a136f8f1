#pragma once

#include <QString>

class SettingsEdit;
class Till;
struct SettingsRow;

namespace settings
{

inline const QString rateOrderMessage = QStringLiteral("Sazby DPH vkládejte v sestupném pořadí!");
inline const QString rateErrorMessage = QStringLiteral("Chyba vložených sazeb DPH!");

// "uložit" of the application settings: checks every pending value and the order of the
// three VAT rates (empty reads as 0, equal rates pass, the usual rate is not compared),
// then stores the pending edits together with the number of copies in one transaction.
// Returns the refusal shown to the operator, or an empty text when everything was stored.
// A refused save stores nothing. Throws VornixError when the database fails.
QString saveAppSettings(SettingsEdit& edit, int copies);

// The main window after the application settings dialog closed (saved or not): the
// settings copies, the period edits, the breakdown button and the VAT rate box, which
// gets all three rates (even empty ones) and "0", with the usual rate selected for a VAT
// payer.
void applySettingsAfterDialog(Till& till, const SettingsRow& row);

} // namespace settings
