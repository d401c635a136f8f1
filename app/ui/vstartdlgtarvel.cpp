#include "app/ui/vstartdlgtarvel.h"

#include "platform/hotkeys.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

#include <algorithm>

namespace
{

const QKeyCombination closeKey(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_F9);

QRect screenRect()
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TStartThread::TStartThread(QObject* parent) : QThread(parent)
{
    // The dispatcher of the user-interface thread says when its loop is about to wait.
    QAbstractEventDispatcher* ui = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    connect(ui, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        if (m_idle.available() == 0)
            m_idle.release();
    });
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TStartThread::run()
{
    m_idle.acquire();
}

TStartDialogTarvel::TStartDialogTarvel(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("StartDialogTarvel1"));
}

TStartDialogTarvel::~TStartDialogTarvel()
{
    delete m_hotKey;
    delete m_cover;
    delete m_window;
}

int TStartDialogTarvel::labelLeft(int x, int width, Qt::Alignment alignment)
{
    const int left = (alignment & Qt::AlignRight) ? x - width : x;
    return std::max(0, left);
}

int TStartDialogTarvel::clampOpacity(int value)
{
    return std::clamp(value, 0, 255);
}

void TStartDialogTarvel::Show()
{
    if (m_window)
        return;
    // 1. Borderless, always on top.
    m_window = new QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_window->setObjectName(QStringLiteral("StartDialog"));
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);

    // 2. Shift+Ctrl+F9 closes the windows; the key goes with the splash window.
    m_hotKey = new SystemHotKey(m_hotKeys, closeKey, m_window);
    connect(m_hotKey, &SystemHotKey::activated, this, &TStartDialogTarvel::closeWindows);
    if (!m_hotKey->isRegistered()) {
        m_shortcut = new QShortcut(QKeySequence(closeKey), m_window);
        connect(m_shortcut, &QShortcut::activated, this, &TStartDialogTarvel::closeWindows);
    }

    // 3. The covering window.
    if (m_kryciForm) {
        m_cover = new QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
        m_cover->setObjectName(QStringLiteral("KryciForm"));
        m_cover->setGeometry(screenRect());
        QPalette pal = m_cover->palette();
        pal.setColor(QPalette::Window, m_kryciFormBarva);
        m_cover->setPalette(pal);
        m_cover->setAutoFillBackground(true);
        m_kryciFormPruhled = clampOpacity(m_kryciFormPruhled);
        if (m_kryciFormPruhled < 255)
            m_cover->setWindowOpacity(m_kryciFormPruhled / 255.0);
        m_cover->show();
    }

    // 4., 5. The picture, with an optional one-pixel frame.
    QPixmap picture = m_bitmap;
    if (picture.isNull()) {
        picture = QPixmap(1, 1);
        picture.fill(Qt::white);
    }
    m_window->setFixedSize(picture.size());
    if (m_ramecek) {
        QPainter p(&picture);
        p.setPen(m_text1Color);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, picture.width() - 1, picture.height() - 1);
    }
    auto* image = new QLabel(m_window);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(0, 0, picture.width(), picture.height());
    image->setPixmap(picture);

    const auto makeLabel = [this](const QString& name, const QString& text, int size, const QColor& colour,
                                  Qt::Alignment alignment) {
        auto* l = new QLabel(text, m_window);
        l->setObjectName(name);
        l->setAttribute(Qt::WA_TranslucentBackground);
        QFont f(QStringLiteral("Tahoma"));
        f.setPointSize(size);
        l->setFont(f);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, colour);
        l->setPalette(pal);
        l->setAlignment(alignment | Qt::AlignVCenter);
        l->adjustSize();
        return l;
    };
    // 6., 7. Title and subtitle; a right-aligned text ends at its x.
    QLabel* title =
        makeLabel(QStringLiteral("Text1Label"), m_text1, m_text1size, m_text1Color, m_text1zarovnani);
    title->move(labelLeft(m_text1x, title->width(), m_text1zarovnani), m_text1y);
    QLabel* subtitle =
        makeLabel(QStringLiteral("Text2Label"), m_text2, m_text2size, m_text2Color, m_text2zarovnani);
    subtitle->move(labelLeft(m_text2x, subtitle->width(), m_text2zarovnani), m_text2y);
    // 8. The credit line with the year and the four-part version.
    if (m_vypisverze) {
        QLabel* credit = makeLabel(QStringLiteral("VerzeLabel"),
                                   QStringLiteral("© %1 Vornix, verze %2")
                                       .arg(QDate::currentDate().year())
                                       .arg(QStringLiteral(VORNIX_VERSION)),
                                   7, m_text2Color, Qt::AlignLeft);
        credit->move(5, 5);
    }
    // 9. The status line, empty until start-up writes to it.
    m_status =
        makeLabel(QStringLiteral("Text3Label"), QString(), m_text3size, m_text2Color, m_text3zarovnani);
    placeStatus();

    // 10. Centred on the screen and painted at once.
    const QRect screen = screenRect();
    m_window->move(screen.center() - QPoint(m_window->width() / 2, m_window->height() / 2));
    m_window->show();
    m_window->repaint();

    // 11. Closing by itself once the program is idle.
    if (m_autoZmiz) {
        auto* waiter = new TStartThread;
        connect(waiter, &QThread::finished, this, &TStartDialogTarvel::finishAutoClose);
        waiter->start();
    }
}

void TStartDialogTarvel::placeStatus()
{
    if (!m_status)
        return;
    if (m_status->text().isEmpty())
        m_status->resize(0, m_status->sizeHint().height());
    else
        m_status->adjustSize();
    m_status->move(labelLeft(m_text3x, m_status->width(), m_text3zarovnani), m_text3y);
}

void TStartDialogTarvel::SetStatusText(const QString& text)
{
    if (!m_status)
        return;
    m_status->setText(text);
    placeStatus();
    if (m_window)
        m_window->repaint();
}

QLabel* TStartDialogTarvel::label(const QString& objectName) const
{
    return m_window ? m_window->findChild<QLabel*>(objectName) : nullptr;
}

bool TStartDialogTarvel::hotKeyActive() const
{
    return m_hotKey && m_hotKey->isRegistered();
}

void TStartDialogTarvel::closeWindows()
{
    if (m_hotKey)
        m_hotKey->deactivate();
    if (m_cover) {
        m_cover->close();
        m_cover->deleteLater();
        m_cover = nullptr;
    }
    if (m_window) {
        m_window->close();
        m_window->deleteLater();
        m_window = nullptr;
    }
}

void TStartDialogTarvel::finishAutoClose()
{
    emit OnClose(this);
    closeWindows();
    if (m_freeOnClose)
        deleteLater();
}

void TStartDialogTarvel::Close()
{
    // With AutoZmiz the splash closes itself.
    if (m_autoZmiz)
        return;
    emit OnClose(this);
    closeWindows();
    if (m_freeOnClose) {
        setParent(nullptr);
        deleteLater();
    }
}
