#pragma once

#include <QString>
#include <QStringList>

// Starts a program without waiting for it; it keeps running after this process ends.
// Returns false when the program could not be started.
bool startDetachedProgram(const QString& program, const QStringList& arguments, const QString& workingDir);
