#include "platform/detached.h"

#include <QProcess>

bool startDetachedProgram(const QString& program, const QStringList& arguments, const QString& workingDir)
{
    return QProcess::startDetached(program, arguments, workingDir);
}
