#pragma once

#include "core/error.h"
#include "core/prompt.h"
#include "settings/settingsedit.h"

#include <QDialog>
#include <QMetaObject>
#include <cstdio>

// Reads the settings row into a dialog's pending edits as the dialog opens. When the row
// cannot be read, the operator is told why and the dialog closes again; returns false then.
inline bool loadSettingsOrClose(QDialog& dialog, SettingsEdit& edit, Prompt& prompt)
{
    try {
        edit.load();
        return true;
    } catch (const VornixError& err) {
        std::fprintf(stderr, "vornix: %s\n", err.what());
        prompt.message(err.text());
        QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
        return false;
    }
}
