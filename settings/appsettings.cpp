#include "settings/appsettings.h"

#include "core/till.h"
#include "settings/settingsedit.h"
#include "settings/settingsrow.h"

namespace settings
{

QString saveAppSettings(SettingsEdit& edit, int copies)
{
    if (!edit.exists())
        return QStringLiteral("Tabulka eet_nast nemá řádek nastavení, nastavení nelze uložit.");

    qint64 rates[3] = {0, 0, 0};
    const QString names[3] = {QStringLiteral("dph1"), QStringLiteral("dph2"), QStringLiteral("dph3")};
    for (int i = 0; i < 3; ++i) {
        const QString t = edit.text(names[i]);
        if (!t.trimmed().isEmpty() && !parseWhole(t, &rates[i]))
            return rateErrorMessage;
    }
    const QString refusal = edit.check();
    if (!refusal.isEmpty())
        return refusal;
    if (rates[0] < rates[1] || rates[1] < rates[2])
        return rateOrderMessage;

    edit.set(QStringLiteral("pocet_tisku"), QString::number(copies));
    edit.store();
    return QString();
}

void applySettingsAfterDialog(Till& till, const SettingsRow& row)
{
    till.applySettings(row);
    PanelState& p = till.panel;
    p.vatItems = {row.text(QStringLiteral("dph1")), row.text(QStringLiteral("dph2")),
                  row.text(QStringLiteral("dph3")), QStringLiteral("0")};
    if (row.text(QStringLiteral("platce_dph")) != QLatin1String("A")) {
        p.vatIndex = 3;
        p.vatText = QStringLiteral("0");
    } else {
        till.resetVatBox();
    }
}

} // namespace settings
