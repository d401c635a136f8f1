#include "core/digitrun.h"
#include "platform/focusedtext.h"
#include "platform/hotkeys.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

class TestPlatform : public QObject
{
    Q_OBJECT
  private slots:
    void digits_data();
    void digits();
    void hotKeyRegisteredWhileAlive();
    void hotKeyOnlyForItsOwnKey();
    void refusedHotKeyLeavesProgramWorking();
    void deactivatedHotKeyIsSilent();
    void systemHotKeysRefuseWithoutX11();
    void focusedTextFailsCleanlyWithoutBus();
};

void TestPlatform::digits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("expected");
    // The two cases the operator relies on.
    QTest::newRow("caret inside four digits") << "abc1234def" << 5 << 5 << "1234";
    QTest::newRow("selection: first two digits") << "a12b34" << 0 << 6 << "12";
    // Caret positions.
    QTest::newRow("caret before the run") << "abc1234def" << 3 << 3 << "1234";
    QTest::newRow("caret after the run") << "abc1234def" << 7 << 7 << "1234";
    QTest::newRow("caret away from digits") << "abc1234def" << 1 << 1 << "";
    QTest::newRow("caret at start of digits") << "5678xy" << 0 << 0 << "5678";
    QTest::newRow("caret at end of text") << "cislo 42" << 8 << 8 << "42";
    QTest::newRow("caret between two runs") << "12 34" << 2 << 2 << "12";
    QTest::newRow("caret in second run") << "12 345" << 4 << 4 << "345";
    QTest::newRow("caret beyond the text") << "x99" << 50 << 50 << "99";
    // Selections.
    QTest::newRow("selection starts with letters") << "ab 0042 cd 77" << 0 << 13 << "0042";
    QTest::newRow("selection inside a run") << "abc1234def" << 4 << 6 << "23";
    QTest::newRow("selection without digits") << "abc1234def" << 0 << 3 << "";
    QTest::newRow("selection ignores digits outside it") << "9a8b7" << 1 << 4 << "8";
    QTest::newRow("reversed selection is a caret") << "ab12" << 4 << 1 << "12";
    // Only the ASCII digits count.
    QTest::newRow("Arabic-Indic digits are not digits")
        << QString::fromUtf8("12\u0663\u0664") << 1 << 1 << "12";
    QTest::newRow("empty text") << "" << 0 << 0 << "";
}

void TestPlatform::digits()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, expected);
    QCOMPARE(collectDigits(text, selStart, selEnd), expected);
}

void TestPlatform::hotKeyRegisteredWhileAlive()
{
    FakeHotKeys keys;
    const QKeyCombination f10(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F10);
    {
        SystemHotKey key(&keys, f10);
        QVERIFY(key.isRegistered());
        QCOMPARE(keys.registered, QList<QKeyCombination>{f10});
        QSignalSpy spy(&key, &SystemHotKey::activated);
        QVERIFY(keys.press(f10));
        QVERIFY(keys.press(f10));
        QCOMPARE(spy.count(), 2);
    }
    QVERIFY(keys.registered.isEmpty());
    QVERIFY(!keys.press(f10));
}

void TestPlatform::hotKeyOnlyForItsOwnKey()
{
    FakeHotKeys keys;
    const QKeyCombination f10(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F10);
    const QKeyCombination e(Qt::ControlModifier | Qt::AltModifier, Qt::Key_E);
    SystemHotKey design(&keys, f10);
    SystemHotKey digits(&keys, e);
    QSignalSpy designSpy(&design, &SystemHotKey::activated);
    QSignalSpy digitsSpy(&digits, &SystemHotKey::activated);
    keys.press(e);
    QCOMPARE(designSpy.count(), 0);
    QCOMPARE(digitsSpy.count(), 1);
    // Ctrl+F10 without Shift is another key.
    QVERIFY(!keys.press(QKeyCombination(Qt::ControlModifier, Qt::Key_F10)));
    QCOMPARE(designSpy.count(), 0);
}

void TestPlatform::refusedHotKeyLeavesProgramWorking()
{
    FakeHotKeys keys;
    const QKeyCombination e(Qt::ControlModifier | Qt::AltModifier, Qt::Key_E);
    keys.taken << e;
    SystemHotKey digits(&keys, e);
    QVERIFY(!digits.isRegistered());
    QVERIFY(keys.registered.isEmpty());
    // The other key still works.
    SystemHotKey design(&keys, QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F10));
    QVERIFY(design.isRegistered());
    // A refused key never fires, even when another holder's press reaches the service.
    QSignalSpy spy(&digits, &SystemHotKey::activated);
    emit keys.activated(e);
    QCOMPARE(spy.count(), 0);
}

void TestPlatform::deactivatedHotKeyIsSilent()
{
    FakeHotKeys keys;
    const QKeyCombination f9(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_F9);
    SystemHotKey key(&keys, f9);
    QSignalSpy spy(&key, &SystemHotKey::activated);
    key.deactivate();
    QVERIFY(keys.registered.isEmpty());
    QVERIFY(!keys.press(f9));
    QCOMPARE(spy.count(), 0);
    // A service that goes away first does not take the key with it into a crash.
    auto* gone = new FakeHotKeys;
    auto* orphan = new SystemHotKey(gone, f9);
    QVERIFY(orphan->isRegistered());
    delete gone;
    delete orphan;
}

void TestPlatform::systemHotKeysRefuseWithoutX11()
{
    // Tests run on the offscreen platform: no X connection, every key refused, nothing breaks.
    QCOMPARE(QGuiApplication::platformName(), QString("offscreen"));
    auto keys = createSystemHotKeys();
    QVERIFY(keys);
    QVERIFY(!keys->registerKey(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F10)));
    keys->unregisterKey(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F10));
}

void TestPlatform::focusedTextFailsCleanlyWithoutBus()
{
    const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vornix-test-bus");
    auto reader = createFocusedTextReader();
    FocusedText text;
    text.text = "untouched";
    QString error;
    QVERIFY(!reader->read(&text, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(text.text, QString("untouched"));
    if (saved.isNull())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
