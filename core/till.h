#pragma once

#include "core/clock.h"
#include "core/prompt.h"
#include "core/session.h"
#include "receipts/currentreceipt.h"

#include <QDate>
#include <QSqlDatabase>
#include <functional>

struct SettingsRow;

// One run of the till: the connection, the program-wide values, the current receipt and the
// state of the receipt panel. The main window owns one and draws what its commands leave.
class Till
{
  public:
    Till(QSqlDatabase& db, Prompt& prompt, const Clock& clock);

    QSqlDatabase& db() { return m_db; }
    Prompt& prompt() { return m_prompt; }
    const Clock& clock() const { return m_clock; }

    Session session;
    PanelState panel;
    CurrentReceipt current;

    // Receipt printing in one of its modes (1 pane preview, 2 preview window, 3 print with
    // the dialog, 4 direct print); the main window plugs the report engine in here.
    std::function<void(int mode)> tiskuct;

    // Date range of the receipt list ("Přehled od data", "do data").
    QDate rangeFrom;
    QDate rangeTo;

    // The start-up work after connecting: upgrade, settings copies, date range, VAT rate
    // box, the working row and the current receipt, the buttons.
    void showSteps();

    // Settings copies and the controls that follow them (period, breakdown button, VAT box).
    void applySettings(const SettingsRow& row);

    // "nová účtenka". Returns false when the operator kept the receipt being entered or the
    // register id is missing.
    bool novaUctenka();

    // After the breakdown dialog closed with OK: sums the lines of the receipt in the panel
    // into celk_trzba (pending, not posted). Throws VornixError when there are no lines.
    void totalFromBreakdown();

    // The VAT rate box back at the usual rate.
    void resetVatBox();

    // The three-line statement of the receipt list for the current range.
    QString listSql() const;
    static QString listDateCondition(const QDate& from, const QDate& to);

    // The condition that selects the lines of the receipt in the panel, and its bound value.
    QString lineCondition(QVariantList* values) const;

  private:
    QString prepareWorkingRowAtStart();
    void loadPeriod();

    QSqlDatabase& m_db;
    Prompt& m_prompt;
    const Clock& m_clock;
};
