#include "app/ui/pracuji.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace
{

// The skin's panel colour (the main window's right panel).
const QColor skinPanel(0xe3, 0xeb, 0xe3);

} // namespace

Tpracuji::Tpracuji(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("pracuji"));
    setFixedSize(217, 80);
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("suiPanel1"));
    m_panel->setGeometry(0, 0, 217, 80);
    m_panel->setFrameShape(QFrame::Box);
    m_panel->setAutoFillBackground(true);

    m_text = new QLabel(QStringLiteral("Zpracování požadavků..."), m_panel);
    m_text->setObjectName(QStringLiteral("Label1"));
    m_text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_text->setGeometry(0, 20, 217, 18);
    m_text->setStyleSheet(QStringLiteral("color: rgb(0,128,0);"));

    m_bar = new QProgressBar(m_panel);
    m_bar->setObjectName(QStringLiteral("LMDProgress1"));
    m_bar->setGeometry((217 - 182) / 2, 44, 182, 18);
    m_bar->setRange(0, 100);
    m_bar->setValue(50);
    m_bar->setTextVisible(false);
    // Small green blocks.
    m_bar->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid #9e9e9e; background: white; }"
                       "QProgressBar::chunk { background: rgb(0,160,0); width: 5px; margin: 1px; }"));
}

int Tpracuji::value() const
{
    return m_bar->value();
}

void Tpracuji::posun()
{
    if (m_bar->value() >= 100)
        m_bar->setValue(0);
    else
        m_bar->setValue(m_bar->value() + 1);
    QCoreApplication::processEvents();
}

void Tpracuji::showEvent(QShowEvent* e)
{
    QPalette pal = m_panel->palette();
    pal.setColor(QPalette::Window, skinPanel);
    m_panel->setPalette(pal);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - QPoint(width() / 2, height() / 2));
    QWidget::showEvent(e);
}

void Tpracuji::hideEvent(QHideEvent* e)
{
    m_bar->setValue(0);
    QWidget::hideEvent(e);
}

void Tpracuji::Indicator::show()
{
    m_form.show();
}
