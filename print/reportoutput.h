#pragma once

#include <QString>
#include <QStringList>

class Report;

// Where a prepared report goes: the preview pane, the modal preview window, a printer, the
// designer. The main window implements it with widgets; tests record the calls.
class ReportOutput
{
  public:
    virtual ~ReportOutput() = default;

    // Names of the system's printers in the system's order (the stored printer indexes
    // point into this list).
    virtual QStringList printerNames() = 0;

    // Shows the report's prepared pages in the preview pane at a zoom (1.0 = 100 %).
    virtual void showInPane(Report& report, double zoom) = 0;
    // The pane lets go of the report while another view of it is open.
    virtual void detachPane() {}
    // Shows the prepared pages in the modal preview window; returns when it is closed.
    virtual void showWindow(Report& report, double zoom) = 0;
    // Prints the prepared pages with the print dialog (printer and copies may change there).
    virtual void printWithDialog(Report& report) = 0;
    // Prints the prepared pages to the report's printer (or the default one), no dialog.
    virtual void printDirect(Report& report) = 0;
    // Opens the designer on the loaded template with its data; returns when it is closed.
    virtual void design(Report& report) = 0;
    // Runs the "náhled" action; a dialog print ends with it so the pane previews again.
    virtual void nahled() {}
};
