#pragma once

#include "print/headerfooter.h"
#include "print/printerchoice.h"
#include "print/report.h"
#include "print/reportoutput.h"

#include <QPointer>
#include <functional>

class QPrinter;
class QWidget;
class ReportPreview;

// The system's printers, in the system's order.
QStringList systemPrinterNames();

// Prints pages to a configured printer (full page, each page at its own paper size).
bool printPages(const QVector<PreparedPage>& pages, QPrinter& printer);
// The print dialog on the named printer (empty: the default one); prints when confirmed.
bool printPagesWithDialog(const QVector<PreparedPage>& pages, const QString& printerName, QWidget* parent);

// The main window's report output: the preview pane, the modal preview window and designer,
// the print dialog, and direct printing that never opens a dialog.
class WidgetReportOutput : public ReportOutput
{
  public:
    WidgetReportOutput(ReportPreview* pane, QWidget* parent);

    QStringList printerNames() override;
    void showInPane(Report& report, double zoom) override;
    void detachPane() override;
    void showWindow(Report& report, double zoom) override;
    void printWithDialog(Report& report) override;
    void printDirect(Report& report) override;
    void design(Report& report) override;
    void nahled() override
    {
        if (onNahled)
            onNahled();
    }

    std::function<void()> onNahled;
    // Lets tests send a direct print to a PDF file instead of a system printer.
    std::function<void(QPrinter&)> configureDirectPrinter;
    // Reports a direct print that did not reach the printer (silent runs have no window).
    std::function<void(const QString&)> onPrintFailure;

  private:
    QPointer<ReportPreview> m_pane;
    QPointer<QWidget> m_parent;
};

// The printer setup dialog over the system's printer list.
class DialogPrinterChooser : public PrinterChooser
{
  public:
    explicit DialogPrinterChooser(QWidget* parent) : m_parent(parent) {}
    QStringList printerNames() override { return systemPrinterNames(); }
    std::optional<int> choose(const QStringList& printers, int current) override;

  private:
    QWidget* m_parent;
};

// The system's text editor, or the built-in editor dialog when the system has none.
class WindowTextEditor : public TextEditorRunner
{
  public:
    explicit WindowTextEditor(QWidget* parent) : m_parent(parent) {}
    bool editAndWait(const QString& file) override;

  private:
    QWidget* m_parent;
};

// The built-in editor: edits a text file's lines in a modal dialog; returns true when saved.
bool editFileInDialog(const QString& file, const QString& title, QWidget* parent);
