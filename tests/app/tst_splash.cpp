#include "app/ui/pracuji.h"
#include "app/ui/vstartdlgtarvel.h"
#include "platform/hotkeys.h"

#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QShortcut>
#include <QSignalSpy>
#include <QtTest>

// Outside any namespace: the resource initialiser is a global function of vornix_ui.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace
{

const QKeyCombination f9(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_F9);

QPixmap picture()
{
    initResources();
    return QPixmap(QStringLiteral(":/vornix/splash.png"));
}

// The main window's settings of the splash.
void configure(TStartDialogTarvel& s)
{
    s.setProperty("Bitmap", picture());
    s.setProperty("Ramecek", true);
    s.setProperty("Text1", QStringLiteral("Vornix"));
    s.setProperty("Text2", QStringLiteral("evidence a tisk účtenek"));
    s.setProperty("KryciFormBarva", QColor(Qt::blue));
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestSplash : public QObject
{
    Q_OBJECT
  private slots:
    void defaults();
    void labelLeft_data();
    void labelLeft();
    void showBuildsTheSplash();
    void rightAlignedTitleClampsAtZero();
    void statusTextEndsAtText3x();
    void opacity_data();
    void opacity();
    void closeRaisesOnCloseAndFrees();
    void closeKeyClosesWindowsOnly();
    void closeKeyWithoutSystemKeys();
    void autoZmizClosesWhenIdle();

    void busyFormShape();
    void posunWrapsAtThe51stCall();
    void reshowRestartsAtZero();
};

void TestSplash::defaults()
{
    TStartDialogTarvel s;
    QVERIFY(s.property("Bitmap").value<QPixmap>().isNull());
    QCOMPARE(s.property("Ramecek").toBool(), false);
    QCOMPARE(s.property("Text1").toString(), QString());
    QCOMPARE(s.property("Text1x").toInt(), 80);
    QCOMPARE(s.property("Text1y").toInt(), 205);
    QCOMPARE(s.property("Text2x").toInt(), 420);
    QCOMPARE(s.property("Text2y").toInt(), 237);
    QCOMPARE(s.property("Text3x").toInt(), 490);
    QCOMPARE(s.property("Text3y").toInt(), 285);
    QCOMPARE(s.property("Text1size").toInt(), 20);
    QCOMPARE(s.property("Text2size").toInt(), 11);
    QCOMPARE(s.property("Text3size").toInt(), 8);
    QCOMPARE(s.property("Text1Color").value<QColor>(), QColor(Qt::black));
    QCOMPARE(s.property("Text2Color").value<QColor>(), QColor(0, 128, 0));
    QCOMPARE(s.property("Text1zarovnani").value<Qt::Alignment>(), Qt::Alignment(Qt::AlignLeft));
    QCOMPARE(s.property("Text2zarovnani").value<Qt::Alignment>(), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(s.property("Text3zarovnani").value<Qt::Alignment>(), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(s.property("Vypisverze").toBool(), true);
    QCOMPARE(s.property("FreeOnClose").toBool(), false);
    QCOMPARE(s.property("AutoZmiz").toBool(), false);
    QCOMPARE(s.property("KryciForm").toBool(), false);
    QCOMPARE(s.property("KryciFormPruhled").toInt(), 255);
    QCOMPARE(s.property("KryciFormBarva").value<QColor>(), QColor(Qt::white));
}

void TestSplash::labelLeft_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("left");
    QTest::newRow("right-aligned subtitle") << 420 << 150 << int(Qt::AlignRight) << 270;
    QTest::newRow("left-aligned at its x") << 420 << 150 << int(Qt::AlignLeft) << 420;
    QTest::newRow("right-aligned wider than x") << 80 << 200 << int(Qt::AlignRight) << 0;
    QTest::newRow("exactly as wide as x") << 80 << 80 << int(Qt::AlignRight) << 0;
    QTest::newRow("centre keeps x") << 100 << 50 << int(Qt::AlignHCenter) << 100;
}

void TestSplash::labelLeft()
{
    QFETCH(int, x);
    QFETCH(int, width);
    QFETCH(int, alignment);
    QFETCH(int, left);
    QCOMPARE(TStartDialogTarvel::labelLeft(x, width, Qt::Alignment(alignment)), left);
}

void TestSplash::showBuildsTheSplash()
{
    TStartDialogTarvel s;
    configure(s);
    s.Show();
    QWidget* w = s.splashWindow();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->size(), QSize(500, 300));
    QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!s.coverWindow());

    QLabel* title = s.label("Text1Label");
    QLabel* subtitle = s.label("Text2Label");
    QVERIFY(title && subtitle);
    QCOMPARE(title->text(), QString("Vornix"));
    QCOMPARE(title->pos(), QPoint(80, 205));
    QCOMPARE(title->font().pointSize(), 20);
    QCOMPARE(subtitle->text(), QString("evidence a tisk účtenek"));
    QCOMPARE(subtitle->y(), 237);
    QCOMPARE(subtitle->x() + subtitle->width(), 420);
    QCOMPARE(subtitle->palette().color(QPalette::WindowText), QColor(0, 128, 0));

    QLabel* credit = s.label("VerzeLabel");
    QVERIFY(credit);
    QCOMPARE(credit->pos(), QPoint(5, 5));
    QVERIFY(credit->text().contains(QString::number(QDate::currentDate().year())));
    QVERIFY(credit->text().contains(QRegularExpression("\\b\\d+\\.\\d+\\.\\d+\\.\\d+\\b")));

    // The one-pixel frame in the title colour, the picture inside it untouched.
    const QImage shown = s.label("Image1")->pixmap().toImage();
    QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::black));
    QCOMPARE(shown.pixelColor(499, 299), QColor(Qt::black));
    QCOMPARE(shown.pixelColor(250, 0), QColor(Qt::black));
    QCOMPARE(shown.pixelColor(1, 1), picture().toImage().pixelColor(1, 1));
}

void TestSplash::rightAlignedTitleClampsAtZero()
{
    TStartDialogTarvel s;
    configure(s);
    s.setProperty("Text1", QStringLiteral("Velmi dlouhý nadpis úvodní obrazovky"));
    s.setProperty("Text1zarovnani", QVariant::fromValue(Qt::Alignment(Qt::AlignRight)));
    s.setProperty("Vypisverze", false);
    s.Show();
    QLabel* title = s.label("Text1Label");
    QVERIFY(title->width() > 80);
    QCOMPARE(title->x(), 0);
    QVERIFY(!s.label("VerzeLabel"));
}

void TestSplash::statusTextEndsAtText3x()
{
    TStartDialogTarvel s;
    configure(s);
    s.Show();
    QLabel* status = s.label("Text3Label");
    QVERIFY(status);
    QVERIFY(status->text().isEmpty());
    s.SetStatusText("kontrola nové verze");
    QCOMPARE(status->text(), QString("kontrola nové verze"));
    QCOMPARE(status->x() + status->width(), 490);
    QCOMPARE(status->y(), 285);
    s.SetStatusText("ok");
    QCOMPARE(status->x() + status->width(), 490);
}

void TestSplash::opacity_data()
{
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("used");
    QTest::addColumn<double>("opacity");
    QTest::newRow("above 255 is opaque") << 300 << 255 << 1.0;
    QTest::newRow("below 0 is transparent") << -5 << 0 << 0.0;
    QTest::newRow("half") << 128 << 128 << 128 / 255.0;
}

void TestSplash::opacity()
{
    QFETCH(int, given);
    QFETCH(int, used);
    QFETCH(double, opacity);
    QCOMPARE(TStartDialogTarvel::clampOpacity(given), used);
    TStartDialogTarvel s;
    configure(s);
    s.setProperty("KryciForm", true);
    s.setProperty("KryciFormPruhled", given);
    s.Show();
    QWidget* cover = s.coverWindow();
    QVERIFY(cover && cover->isVisible());
    QCOMPARE(cover->palette().color(QPalette::Window), QColor(Qt::blue));
    QCOMPARE(s.property("KryciFormPruhled").toInt(), used);
    QVERIFY(qAbs(cover->windowOpacity() - opacity) < 0.01);
}

void TestSplash::closeRaisesOnCloseAndFrees()
{
    FakeHotKeys keys;
    QObject owner;
    QPointer<TStartDialogTarvel> s = new TStartDialogTarvel(&owner);
    configure(*s);
    s->setHotKeys(&keys);
    s->setProperty("KryciForm", true);
    s->setProperty("FreeOnClose", true);
    s->Show();
    QVERIFY(keys.registered.contains(f9));
    QPointer<QWidget> window = s->splashWindow();
    QPointer<QWidget> cover = s->coverWindow();
    QSignalSpy spy(s.data(), &TStartDialogTarvel::OnClose);
    s->Close();
    QCOMPARE(spy.count(), 1);
    QVERIFY(keys.registered.isEmpty());
    flushDeletes();
    QVERIFY(!window && !cover);
    QVERIFY(!s);
    QVERIFY(owner.children().isEmpty());
}

void TestSplash::closeKeyClosesWindowsOnly()
{
    FakeHotKeys keys;
    TStartDialogTarvel s;
    configure(s);
    s.setHotKeys(&keys);
    s.setProperty("KryciForm", true);
    s.Show();
    QVERIFY(s.hotKeyActive());
    QSignalSpy spy(&s, &TStartDialogTarvel::OnClose);
    QVERIFY(keys.press(f9));
    QVERIFY(!s.splashWindow());
    QVERIFY(!s.coverWindow());
    QCOMPARE(spy.count(), 0);
    // The key went with the splash window.
    QVERIFY(keys.registered.isEmpty());
    QVERIFY(!keys.press(f9));
    flushDeletes();
    // The update check's Close afterwards is harmless.
    s.Close();
    QCOMPARE(spy.count(), 1);
}

void TestSplash::closeKeyWithoutSystemKeys()
{
    // A platform that refuses the key: the splash keeps it while it has the focus.
    FakeHotKeys keys;
    keys.taken << f9;
    TStartDialogTarvel s;
    configure(s);
    s.setHotKeys(&keys);
    s.Show();
    QVERIFY(!s.hotKeyActive());
    auto* shortcut = s.splashWindow()->findChild<QShortcut*>();
    QVERIFY(shortcut);
    QCOMPARE(shortcut->key(), QKeySequence(f9));
    emit shortcut->activated();
    QVERIFY(!s.splashWindow());
}

void TestSplash::autoZmizClosesWhenIdle()
{
    QPointer<TStartDialogTarvel> s = new TStartDialogTarvel;
    configure(*s);
    s->setProperty("AutoZmiz", true);
    s->setProperty("FreeOnClose", true);
    QSignalSpy spy(s.data(), &TStartDialogTarvel::OnClose);
    s->Show();
    s->Close(); // does nothing with AutoZmiz
    QVERIFY(s->splashWindow());
    QPointer<QWidget> window = s->splashWindow();
    QCOMPARE(spy.count(), 0);
    // A real event loop that goes idle (waits for input) lets the waiting thread finish.
    QEventLoop loop;
    connect(s.data(), &TStartDialogTarvel::OnClose, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    QCOMPARE(spy.count(), 1);
    QTRY_VERIFY(!s);
    QTRY_VERIFY(!window);
}

void TestSplash::busyFormShape()
{
    Tpracuji form;
    QCOMPARE(form.size(), QSize(217, 80));
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    auto* text = form.findChild<QLabel*>("Label1");
    QVERIFY(text);
    QCOMPARE(text->text(), QString("Zpracování požadavků..."));
    QCOMPARE(text->y(), 20);
    QCOMPARE(text->width(), 217);
    QCOMPARE(form.bar()->size(), QSize(182, 18));
    QCOMPARE(form.bar()->minimum(), 0);
    QCOMPARE(form.bar()->maximum(), 100);
    QCOMPARE(form.value(), 50);
}

void TestSplash::posunWrapsAtThe51stCall()
{
    Tpracuji form;
    form.indicator().show();
    QCOMPARE(form.value(), 50);
    for (int i = 1; i <= 50; ++i)
        form.indicator().posun();
    QCOMPARE(form.value(), 100);
    form.indicator().posun();
    QCOMPARE(form.value(), 0);
    form.indicator().posun();
    QCOMPARE(form.value(), 1);
}

void TestSplash::reshowRestartsAtZero()
{
    Tpracuji form;
    BusyIndicator& busy = form.indicator();
    busy.show();
    busy.posun();
    QCOMPARE(form.value(), 51);
    busy.close();
    QVERIFY(!form.isVisible());
    QCOMPARE(form.value(), 0);
    busy.show();
    QVERIFY(form.isVisible());
    QCOMPARE(form.value(), 0);
    busy.posun();
    QCOMPARE(form.value(), 1);
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
