#pragma once

#include "print/report.h"

#include <QDialog>

class ReportPreview;
class QLabel;

// The modal preview window: pages, paging, zoom, print (with the print dialog) and export
// to PDF.
class PreviewWindow : public QDialog
{
    Q_OBJECT
  public:
    PreviewWindow(const QVector<PreparedPage>& pages, const QString& printerName, double zoom,
                  QWidget* parent = nullptr);
    ReportPreview* preview() const { return m_preview; }

    // Writes the pages to a PDF file; returns false with the reason in *error.
    bool exportTo(const QString& file, QString* error = nullptr);

  private:
    void updateStatus();
    void print();
    void exportPdf();

    QVector<PreparedPage> m_pages;
    QString m_printerName;
    ReportPreview* m_preview;
    QLabel* m_status;
};
