#pragma once

// Unit VStartDlgTarvel: the start-up splash component.

#include "platform/hotkeys.h"

#include <QColor>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSemaphore>
#include <QThread>

class QLabel;
class QShortcut;
class QWidget;

// Waits, without time limit, until the program's message loop is idle (about to wait for
// input); frees itself when done. Its end notification runs on the user-interface thread.
class TStartThread : public QThread
{
    Q_OBJECT
  public:
    explicit TStartThread(QObject* parent = nullptr);

  protected:
    void run() override;

  private:
    QSemaphore m_idle;
};

// The splash: a borderless picture with a title, a subtitle, a credit line and a status line,
// shown while the program starts and closed when the start-up update check is done.
class TStartDialogTarvel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QPixmap Bitmap READ bitmap WRITE setBitmap)
    Q_PROPERTY(bool Ramecek MEMBER m_ramecek)
    Q_PROPERTY(QString Text1 MEMBER m_text1)
    Q_PROPERTY(QString Text2 MEMBER m_text2)
    Q_PROPERTY(int Text1x MEMBER m_text1x)
    Q_PROPERTY(int Text1y MEMBER m_text1y)
    Q_PROPERTY(int Text2x MEMBER m_text2x)
    Q_PROPERTY(int Text2y MEMBER m_text2y)
    Q_PROPERTY(int Text3x MEMBER m_text3x)
    Q_PROPERTY(int Text3y MEMBER m_text3y)
    Q_PROPERTY(int Text1size MEMBER m_text1size)
    Q_PROPERTY(int Text2size MEMBER m_text2size)
    Q_PROPERTY(int Text3size MEMBER m_text3size)
    Q_PROPERTY(QColor Text1Color MEMBER m_text1Color)
    Q_PROPERTY(QColor Text2Color MEMBER m_text2Color)
    Q_PROPERTY(Qt::Alignment Text1zarovnani MEMBER m_text1zarovnani)
    Q_PROPERTY(Qt::Alignment Text2zarovnani MEMBER m_text2zarovnani)
    Q_PROPERTY(Qt::Alignment Text3zarovnani MEMBER m_text3zarovnani)
    Q_PROPERTY(bool Vypisverze MEMBER m_vypisverze)
    Q_PROPERTY(bool FreeOnClose MEMBER m_freeOnClose)
    Q_PROPERTY(bool AutoZmiz MEMBER m_autoZmiz)
    Q_PROPERTY(bool KryciForm MEMBER m_kryciForm)
    Q_PROPERTY(int KryciFormPruhled MEMBER m_kryciFormPruhled)
    Q_PROPERTY(QColor KryciFormBarva MEMBER m_kryciFormBarva)
  public:
    explicit TStartDialogTarvel(QObject* parent = nullptr);
    ~TStartDialogTarvel() override;

    // The service that registers Shift+Ctrl+F9 system-wide while the splash is shown; without
    // one (or when it refuses) the key works while the splash has the focus.
    void setHotKeys(GlobalHotKeys* keys) { m_hotKeys = keys; }

    QPixmap bitmap() const { return m_bitmap; }
    void setBitmap(const QPixmap& p) { m_bitmap = p; }

    void Show();
    void SetStatusText(const QString& text);
    void Close();

    // Left edge of a label: x, or x minus the width when right-aligned, never below 0.
    static int labelLeft(int x, int width, Qt::Alignment alignment);
    // The covering window's opacity limited to 0..255.
    static int clampOpacity(int value);

    // The parts built by Show(), for the window around it and for tests (null when closed).
    QWidget* splashWindow() const { return m_window; }
    QWidget* coverWindow() const { return m_cover; }
    QLabel* label(const QString& objectName) const;
    bool hotKeyActive() const;

  signals:
    // OnClose: raised when the splash closes.
    void OnClose(QObject* sender);

  private:
    void closeWindows();
    void finishAutoClose();
    void placeStatus();

    QPixmap m_bitmap;
    bool m_ramecek = false;
    QString m_text1;
    QString m_text2;
    int m_text1x = 80, m_text1y = 205;
    int m_text2x = 420, m_text2y = 237;
    int m_text3x = 490, m_text3y = 285;
    int m_text1size = 20, m_text2size = 11, m_text3size = 8;
    QColor m_text1Color = Qt::black;
    QColor m_text2Color = QColor(0, 128, 0);
    Qt::Alignment m_text1zarovnani = Qt::AlignLeft;
    Qt::Alignment m_text2zarovnani = Qt::AlignRight;
    Qt::Alignment m_text3zarovnani = Qt::AlignRight;
    bool m_vypisverze = true;
    bool m_freeOnClose = false;
    bool m_autoZmiz = false;
    bool m_kryciForm = false;
    int m_kryciFormPruhled = 255;
    QColor m_kryciFormBarva = Qt::white;

    QPointer<GlobalHotKeys> m_hotKeys;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_cover;
    QPointer<QLabel> m_status;
    QPointer<SystemHotKey> m_hotKey;
    QPointer<QShortcut> m_shortcut;
};
