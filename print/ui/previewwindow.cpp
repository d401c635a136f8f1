#include "print/ui/previewwindow.h"

#include "print/ui/printing.h"
#include "print/ui/reportpreview.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

PreviewWindow::PreviewWindow(const QVector<PreparedPage>& pages, const QString& printerName, double zoom,
                             QWidget* parent)
    : QDialog(parent), m_pages(pages), m_printerName(printerName)
{
    setObjectName(QStringLiteral("frxPreviewForm"));
    setWindowTitle(QStringLiteral("Náhled"));
    setModal(true);
    resize(760, 900);

    auto* bar = new QHBoxLayout;
    auto tool = [&](const QString& name, const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(tip);
        bar->addWidget(b);
        return b;
    };
    QToolButton* printButton =
        tool(QStringLiteral("PrintB"), QStringLiteral("Tisk…"), QStringLiteral("Tisk"));
    QToolButton* pdfButton =
        tool(QStringLiteral("ExportB"), QStringLiteral("PDF…"), QStringLiteral("Uložit do PDF"));
    bar->addSpacing(12);
    QToolButton* first = tool(QStringLiteral("FirstB"), QStringLiteral("|◀"), QStringLiteral("První strana"));
    QToolButton* prev =
        tool(QStringLiteral("PriorB"), QStringLiteral("◀"), QStringLiteral("Předchozí strana"));
    QToolButton* next = tool(QStringLiteral("NextB"), QStringLiteral("▶"), QStringLiteral("Další strana"));
    QToolButton* last =
        tool(QStringLiteral("LastB"), QStringLiteral("▶|"), QStringLiteral("Poslední strana"));
    bar->addSpacing(12);
    QToolButton* zoomOut = tool(QStringLiteral("ZoomOutB"), QStringLiteral("−"), QStringLiteral("Zmenšit"));
    QToolButton* zoomIn = tool(QStringLiteral("ZoomInB"), QStringLiteral("+"), QStringLiteral("Zvětšit"));
    QToolButton* zoomWidth =
        tool(QStringLiteral("ZoomWidthB"), QStringLiteral("↔"), QStringLiteral("Na šířku okna"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusL"));
    bar->addSpacing(12);
    bar->addWidget(m_status);
    bar->addStretch();
    auto* close = new QPushButton(QStringLiteral("Zavřít"), this);
    close->setObjectName(QStringLiteral("CloseB"));
    bar->addWidget(close);

    m_preview = new ReportPreview(this);
    m_preview->setObjectName(QStringLiteral("PreviewPane"));
    m_preview->setPages(pages);
    m_preview->setZoom(zoom);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_preview, 1);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(printButton, &QToolButton::clicked, this, &PreviewWindow::print);
    connect(pdfButton, &QToolButton::clicked, this, &PreviewWindow::exportPdf);
    connect(first, &QToolButton::clicked, this, [this] { m_preview->showPage(0); });
    connect(last, &QToolButton::clicked, this, [this] { m_preview->showPage(int(m_pages.size()) - 1); });
    connect(prev, &QToolButton::clicked, this, [this] { m_preview->showPage(m_preview->currentPage() - 1); });
    connect(next, &QToolButton::clicked, this, [this] { m_preview->showPage(m_preview->currentPage() + 1); });
    connect(zoomIn, &QToolButton::clicked, this, [this] {
        m_preview->setZoom(m_preview->zoom() * 1.25);
        updateStatus();
    });
    connect(zoomOut, &QToolButton::clicked, this, [this] {
        m_preview->setZoom(m_preview->zoom() / 1.25);
        updateStatus();
    });
    connect(zoomWidth, &QToolButton::clicked, this, [this] {
        if (m_pages.isEmpty())
            return;
        const double w = Report::pageSizePx(m_pages.first()).width();
        m_preview->setZoom((m_preview->viewport()->width() - 24) / w);
        updateStatus();
    });
    connect(m_preview->verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewWindow::updateStatus);
    updateStatus();
}

void PreviewWindow::updateStatus()
{
    m_status->setText(QStringLiteral("Strana %1 z %2   %3 %")
                          .arg(m_pages.isEmpty() ? 0 : m_preview->currentPage() + 1)
                          .arg(m_pages.size())
                          .arg(qRound(m_preview->zoom() * 100)));
}

void PreviewWindow::print()
{
    printPagesWithDialog(m_pages, m_printerName, this);
}

bool PreviewWindow::exportTo(const QString& file, QString* error)
{
    if (Report::exportPdf(m_pages, file))
        return true;
    if (error)
        *error = QStringLiteral("Soubor „%1“ nelze zapsat.").arg(file);
    return false;
}

void PreviewWindow::exportPdf()
{
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Uložit do PDF"), QString(),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!exportTo(file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ? file
                                                                             : file + QStringLiteral(".pdf"),
                  &error))
        QMessageBox::warning(this, QStringLiteral("Vornix"), error);
}
