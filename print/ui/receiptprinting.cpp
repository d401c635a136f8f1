#include "print/ui/receiptprinting.h"

#include "core/error.h"
#include "core/till.h"
#include "print/headerfooter.h"
#include "print/printerchoice.h"
#include "print/ui/reportpreview.h"

#include <cstdio>

ReceiptPrinting::ReceiptPrinting(Till& till, ReportPreview* pane, QWidget* window)
    : QObject(window), m_till(till), m_pane(pane), m_window(window), m_output(pane, window)
{
    setObjectName(QStringLiteral("frxReport1"));
    m_output.onNahled = [this] {
        if (onNahled)
            onNahled();
    };
    m_output.onPrintFailure = [this](const QString& why) {
        if (m_till.session.tichy_rezim)
            std::fprintf(stderr, "vornix: %s\n", qPrintable(why));
        else
            m_till.prompt().message(why);
    };
    if (m_pane)
        connect(m_pane, &ReportPreview::clicked, this, &ReceiptPrinting::paneClicked);
}

bool ReceiptPrinting::run(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const VornixError& e) {
        std::fprintf(stderr, "vornix: %s\n", e.what());
        m_till.prompt().message(e.text());
    }
    return false;
}

PrintOutcome ReceiptPrinting::print(int mode)
{
    PrintOutcome outcome;
    run([&] { outcome = tiskuct(m_till, m_report, mode, m_output); });
    return outcome;
}

void ReceiptPrinting::tisk()
{
    run([&] { tiskButton(m_till, m_report, m_output); });
}

void ReceiptPrinting::paneClicked()
{
    // Only a receipt that the pane shows can be opened in the window.
    if (m_pane && !m_pane->pages().isEmpty() && !m_till.session.aktualni_id.isEmpty())
        print(2);
}

void ReceiptPrinting::textZahlavi()
{
    run([&] {
        WindowTextEditor editor(m_window);
        editStoredText(m_till.db(), QStringLiteral("zahlavi"), QStringLiteral("zahl.ini"), editor);
    });
}

void ReceiptPrinting::textZapati()
{
    run([&] {
        WindowTextEditor editor(m_window);
        editStoredText(m_till.db(), QStringLiteral("zapati"), QStringLiteral("zapa.ini"), editor);
    });
}

void ReceiptPrinting::tiskarnaUctenek()
{
    DialogPrinterChooser chooser(m_window);
    choosePrinter(receiptPrinterKey, chooser);
}

void ReceiptPrinting::tiskarnaPrehledu()
{
    DialogPrinterChooser chooser(m_window);
    choosePrinter(overviewPrinterKey, chooser);
}
