#include "core/session.h"

void applySwitches(Session& s, const QStringList& arguments)
{
    s.rezim_navrhu = false;
    s.tichy_rezim = false;
    for (const QString& a : arguments) {
        if (a == QLatin1String("/e"))
            s.rezim_navrhu = true;
        else if (a == QLatin1String("/jo"))
            s.tichy_rezim = true;
    }
}
