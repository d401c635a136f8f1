#include "platform/opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool openWithAssociatedProgram(const QString& file)
{
    if (!QFileInfo::exists(file))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}
