#pragma once

#include "core/till.h"
#include "db/database.h"
#include "tests/support/testsupport.h"

#include <functional>
#include <memory>

// A till on a temporary program folder with the baseline database of makeBaselineDatabase,
// started the way the main window starts it. `prepare` runs on the upgraded database before
// the start, so it can set up every column.
struct TillFixture {
    TempProgramFolder dir;
    FixedClock clock{QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0))};
    ScriptedPrompt prompt;
    QSqlDatabase db;
    std::unique_ptr<Till> till;

    explicit TillFixture(const std::function<void(Peek&)>& prepare = {})
    {
        makeBaselineDatabase(dir.dbFile());
        if (prepare) {
            {
                QSqlDatabase d = db::open(dir.dbFile(), QStringLiteral("prep"));
                db::prepare(d);
                d.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("prep"));
            Peek p(dir.dbFile());
            prepare(p);
        }
        db = db::open(dir.dbFile(), QStringLiteral("till"));
        till = std::make_unique<Till>(db, prompt, clock);
        till->showSteps();
    }
    ~TillFixture()
    {
        till.reset();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("till"));
    }
    Peek peek() { return Peek(dir.dbFile()); }
};
