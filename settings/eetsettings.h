#pragma once

#include <QString>

namespace settings
{

// The two EET service endpoints that "Režim testování" chooses between.
inline const QString playgroundUrl = QStringLiteral("https://pg.eet.cz/eet/services/EETServiceSOAP/v3");
inline const QString productionUrl = QStringLiteral("https://prod.eet.cz:443/eet/services/EETServiceSOAP/v3");

// The box shows checked only for exactly the playground address.
inline bool isPlayground(const QString& url)
{
    return url == playgroundUrl;
}

// The question asked before saving anything but the playground address.
inline QString productionQuestion(bool verification)
{
    return QStringLiteral("POZOR - pokračujete v produkčním provozu\r\n") +
           (verification ? QStringLiteral(" a ověřovacím režimu!") : QStringLiteral(" a ostrém režimu!"));
}

} // namespace settings
