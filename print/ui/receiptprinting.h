#pragma once

#include "print/receiptprint.h"
#include "print/report.h"
#include "print/ui/printing.h"

#include <QObject>
#include <functional>

class QWidget;
class ReportPreview;
class Till;

// The main window's printing: the receipt report ("frxReport1") with its prepared pages, the
// preview pane, and the commands "tisk", the pane click, the header/footer texts and the
// printer choices. Database failures are shown in the message box and end the command.
class ReceiptPrinting : public QObject
{
    Q_OBJECT
  public:
    ReceiptPrinting(Till& till, ReportPreview* pane, QWidget* window);

    Report& report() { return m_report; }
    WidgetReportOutput& output() { return m_output; }
    ReportPreview* pane() const { return m_pane; }

    // tiskuct on the receipt in the panel; mode 1 is the pane preview that "náhled" asks for.
    PrintOutcome print(int mode);

    // Runs the "náhled" action; a dialog print ends with it.
    std::function<void()> onNahled;

  public slots:
    void tisk();             // "tisk" button
    void paneClicked();      // click on the preview pane: window preview
    void textZahlavi();      // "Text záhlaví"
    void textZapati();       // "Text zápatí"
    void tiskarnaUctenek();  // "Výběr tiskárny účtenek"
    void tiskarnaPrehledu(); // "Výběr tiskárny přehledů"

  private:
    bool run(const std::function<void()>& command);

    Till& m_till;
    ReportPreview* m_pane;
    QWidget* m_window;
    Report m_report;
    WidgetReportOutput m_output;
};
