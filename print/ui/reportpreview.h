#pragma once

#include "print/report.h"

#include <QScrollArea>
#include <QVector>

// Shows prepared report pages one under another at a zoom (1.0 = 100 %). A click anywhere
// on it emits clicked(). The main window's pane is one of these ("frxPreview1").
class ReportPreview : public QScrollArea
{
    Q_OBJECT
  public:
    explicit ReportPreview(QWidget* parent = nullptr);

    void setPages(const QVector<PreparedPage>& pages);
    const QVector<PreparedPage>& pages() const { return m_pages; }
    void clearPages();
    void setZoom(double zoom);
    double zoom() const { return m_zoom; }
    int currentPage() const;
    void showPage(int index);

  signals:
    void clicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Canvas;
    void relayout();

    Canvas* m_canvas;
    QVector<PreparedPage> m_pages;
    double m_zoom = 1.0;
};
