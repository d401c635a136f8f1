#include "print/ui/printing.h"
#include "core/paths.h"
#include <QDateTime>
#include <QDir>

#include "print/receiptprint.h"
#include "print/ui/designer.h"
#include "print/ui/previewwindow.h"
#include "print/ui/reportpreview.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

QStringList systemPrinterNames()
{
    return QPrinterInfo::availablePrinterNames();
}

bool printPages(const QVector<PreparedPage>& pages, QPrinter& printer)
{
    printer.setFullPage(true);
    return Report::renderPages(pages, printer);
}

bool printPagesWithDialog(const QVector<PreparedPage>& pages, const QString& printerName, QWidget* parent)
{
    if (pages.isEmpty())
        return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!printerName.isEmpty())
        printer.setPrinterName(printerName);
    printer.setFromTo(1, int(pages.size()));
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setWindowTitle(QStringLiteral("Tisk"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QVector<PreparedPage> chosen = pages;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        const int from = std::max(1, printer.fromPage());
        const int to =
            std::min(int(pages.size()), printer.toPage() > 0 ? printer.toPage() : int(pages.size()));
        chosen = pages.mid(from - 1, std::max(0, to - from + 1));
    }
    return printPages(chosen, printer);
}

WidgetReportOutput::WidgetReportOutput(ReportPreview* pane, QWidget* parent) : m_pane(pane), m_parent(parent)
{
}

QStringList WidgetReportOutput::printerNames()
{
    return systemPrinterNames();
}

void WidgetReportOutput::showInPane(Report& report, double zoom)
{
    if (!m_pane)
        return;
    m_pane->setZoom(zoom);
    m_pane->setPages(report.pages());
}

void WidgetReportOutput::detachPane()
{
    if (m_pane)
        m_pane->clearPages();
}

void WidgetReportOutput::showWindow(Report& report, double zoom)
{
    PreviewWindow w(report.pages(), report.printerName(), zoom, m_parent);
    w.exec();
}

void WidgetReportOutput::printWithDialog(Report& report)
{
    printPagesWithDialog(report.pages(), report.printerName(), m_parent);
}

void WidgetReportOutput::printDirect(Report& report)
{
    // Never a dialog: the chosen printer, or the system default when none is chosen.
    QPrinter printer(QPrinter::HighResolution);
    if (!report.printerName().isEmpty())
        printer.setPrinterName(report.printerName());
    // A machine without any printer (a server running the invoice import) still keeps what it
    // printed: a PDF file in the folder "tisk" of the program folder.
    if (report.printerName().isEmpty() && QPrinterInfo::availablePrinterNames().isEmpty()) {
        const QString folder = programFile(QStringLiteral("tisk"));
        QDir().mkpath(folder);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(
            folder + QStringLiteral("/uctenka_%1.pdf")
                         .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss_zzz"))));
    }
    if (configureDirectPrinter)
        configureDirectPrinter(printer);
    printer.setDocName(QStringLiteral("Účtenka"));
    if (!printPages(report.pages(), printer)) {
        const QString why =
            QStringLiteral("Účtenku se nepodařilo vytisknout na tiskárně „%1“.")
                .arg(printer.printerName().isEmpty() ? QStringLiteral("výchozí") : printer.printerName());
        if (onPrintFailure)
            onPrintFailure(why);
        else
            qWarning("%s", qPrintable(why));
    }
}

void WidgetReportOutput::design(Report& report)
{
    DesignerDialog d(report, m_parent);
    d.exec();
}

std::optional<int> DialogPrinterChooser::choose(const QStringList& printers, int current)
{
    QPrinter printer(QPrinter::HighResolution);
    if (current >= 0 && current < printers.size())
        printer.setPrinterName(printers.at(current));
    else if (!QPrinterInfo::defaultPrinterName().isEmpty())
        printer.setPrinterName(QPrinterInfo::defaultPrinterName());
    QPrintDialog dialog(&printer, m_parent);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
    dialog.setWindowTitle(QStringLiteral("Výběr tiskárny"));
    dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const int index = int(printers.indexOf(printer.printerName()));
    if (index < 0)
        return std::nullopt; // printing to a file is no printer to remember
    return index;
}

bool editFileInDialog(const QString& file, const QString& title, QWidget* parent)
{
    QFile in(file);
    QString text;
    if (in.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(in.readAll());
    in.close();
    QDialog d(parent);
    d.setObjectName(QStringLiteral("TextEditorDialog"));
    d.setWindowTitle(title);
    d.resize(520, 300);
    auto* edit = new QPlainTextEdit(&d);
    edit->setObjectName(QStringLiteral("TextEdit"));
    edit->setPlainText(splitLines(text).join(QLatin1Char('\n')));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &d);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("Uložit"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Zrušit"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(new QLabel(QStringLiteral("Tisknou se první tři řádky."), &d));
    layout->addWidget(edit);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted)
        return false;
    QByteArray out;
    for (const QString& line : splitLines(edit->toPlainText()))
        out += line.toUtf8() + "\r\n";
    QSaveFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() && f.commit();
}

bool WindowTextEditor::editAndWait(const QString& file)
{
    if (!findTextEditor().isEmpty()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        SystemTextEditor system;
        const bool ok = system.editAndWait(file);
        QApplication::restoreOverrideCursor();
        if (ok)
            return true;
    }
    editFileInDialog(file, QFileInfo(file).fileName(), m_parent);
    return true;
}
