#include "print/ui/reportpreview.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace
{
constexpr int gap = 8;
}

class ReportPreview::Canvas : public QWidget
{
  public:
    explicit Canvas(ReportPreview* owner) : QWidget(owner), m_owner(owner) {}

    QVector<QRect> rects;

  protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        p.fillRect(e->rect(), QColor(0xe0, 0xe0, 0xe0));
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        for (int i = 0; i < rects.size(); ++i) {
            if (!rects[i].intersects(e->rect()))
                continue;
            p.fillRect(rects[i].translated(2, 2), QColor(0xa0, 0xa0, 0xa0));
            p.save();
            p.translate(rects[i].topLeft());
            p.setClipRect(QRect(QPoint(0, 0), rects[i].size()));
            Report::paintPage(p, m_owner->m_pages[i], m_owner->m_zoom);
            p.restore();
        }
    }

  private:
    ReportPreview* m_owner;
};

ReportPreview::ReportPreview(QWidget* parent) : QScrollArea(parent), m_canvas(new Canvas(this))
{
    setWidget(m_canvas);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
    m_canvas->installEventFilter(this);
    viewport()->installEventFilter(this);
    relayout();
}

void ReportPreview::setPages(const QVector<PreparedPage>& pages)
{
    m_pages = pages;
    relayout();
    verticalScrollBar()->setValue(0);
}

void ReportPreview::clearPages()
{
    setPages({});
}

void ReportPreview::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.1, 5.0);
    relayout();
}

int ReportPreview::currentPage() const
{
    const int y = verticalScrollBar()->value() + viewport()->height() / 3;
    for (int i = 0; i < m_canvas->rects.size(); ++i)
        if (m_canvas->rects[i].bottom() + gap >= y)
            return i;
    return std::max(0, int(m_canvas->rects.size()) - 1);
}

void ReportPreview::showPage(int index)
{
    if (index < 0 || index >= m_canvas->rects.size())
        return;
    verticalScrollBar()->setValue(m_canvas->rects[index].top() - gap);
}

void ReportPreview::relayout()
{
    m_canvas->rects.clear();
    int y = gap;
    int width = 0;
    for (const PreparedPage& page : m_pages) {
        const QSizeF s = Report::pageSizePx(page) * m_zoom;
        const QSize size(qCeil(s.width()), qCeil(s.height()));
        m_canvas->rects << QRect(QPoint(gap, y), size);
        y += size.height() + gap;
        width = std::max(width, size.width());
    }
    m_canvas->resize(width + 2 * gap + 2, y + 2);
    m_canvas->update();
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_canvas || watched == viewport()) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit clicked();
        return false;
    }
    return QScrollArea::eventFilter(watched, event);
}
