#pragma once

#include <QString>

// Opens a document with the program the system associates with it. Returns false when the
// system could not open it; callers that must stay silent simply ignore the result.
bool openWithAssociatedProgram(const QString& file);
