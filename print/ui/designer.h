#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTimer;
class Report;
class ReportPreview;

// The report designer: the template's source beside a live preview with the current data;
// "Uložit" writes the source back to the template file.
class DesignerDialog : public QDialog
{
    Q_OBJECT
  public:
    DesignerDialog(Report& report, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    ReportPreview* preview() const { return m_preview; }
    // Re-reads the source and prepares the preview now.
    void refresh();
    bool save();

  private:
    Report& m_report;
    QPlainTextEdit* m_editor;
    ReportPreview* m_preview;
    QLabel* m_warnings;
    QTimer* m_timer;
};
