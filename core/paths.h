#pragma once

#include <QString>

// The program folder: VORNIX_HOME when set, otherwise the folder of the running executable.
// Always ends without a separator; use programFile() to name a file inside it.
QString programFolder();
QString programFile(const QString& name);
