#include "core/busyindicator.h"
#include "tests/support/localftp.h"
#include "tests/support/testsupport.h"
#include "update/aktualizace.h"
#include "update/updatecheck.h"
#include "update/updateconfig.h"
#include "update/version.h"

#include <QTcpServer>
#include <QtTest>

namespace
{

const char* const verFile = "quenby/eet/setupvornixnv.ver";
const char* const exeFile = "quenby/eet/setupvornixnv.exe";

QByteArray versionFile(const QByteArray& stamp)
{
    return "Vornix\r\nsetupvornixnv.exe\t1.0.0.2\t" + stamp + "\tpoznamka\r\n";
}

QStringList lines(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList l = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

// A program folder inside a temporary folder, so "../ftplog" stays inside it too, and a
// stand-in executable whose last-write time is the local version.
struct Sandbox {
    QTemporaryDir root;
    QString prog() const { return root.filePath("prog"); }
    QString exe() const { return root.filePath("prog/vornix"); }
    QString ftpLog() const { return root.filePath("ftplog/vtarvel.log"); }
    Sandbox(const QDateTime& exeTime = QDateTime(QDate(2024, 5, 6), QTime(12, 0, 0)))
    {
        QDir().mkpath(prog());
        QFile f(exe());
        f.open(QIODevice::WriteOnly);
        f.write("program");
        f.close();
        // Stamped after the content is flushed, which would move the time again.
        f.open(QIODevice::Append);
        f.setFileTime(exeTime, QFileDevice::FileModificationTime);
        f.close();
    }
    void writeIni(const QByteArray& text) const
    {
        QFile f(QDir(prog()).filePath("eet.ini"));
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
    UpdateCheckParams params(const LocalFtpServer& s, bool passive = true) const
    {
        UpdateCheckParams p;
        p.host = "127.0.0.1";
        p.port = QString::number(s.port());
        p.user = "quenby";
        p.password = "608391qtz";
        p.passive = passive;
        p.programDir = prog();
        p.downloadDir = prog();
        p.executable = exe();
        p.timeoutSeconds = 5;
        return p;
    }
    QStringList leftovers() const
    {
        QStringList names = QDir(prog()).entryList(QDir::Files);
        names.removeAll("vornix");
        return names;
    }
};

class FakeBusy : public BusyIndicator
{
  public:
    void show() override { calls << "show", visible = true; }
    void posun() override { calls << "posun"; }
    void close() override { calls << "close", visible = false; }
    QStringList calls;
    bool visible = false;
};

} // namespace

class TestUpdate : public QObject
{
    Q_OBJECT
  private slots:
    void iniKeys_data();
    void iniKeys();
    void serverVersion_data();
    void serverVersion();
    void localVersionPadsTheHour();
    void comparison_data();
    void comparison();
    void updateLogLineFormat();

    void check_data();
    void check();
    void nineOhFiveLocalTime();
    void exactLogLines();
    void faults_data();
    void faults();
    void partialInstallerIsNeverKept();
    void placeholderHostFailsFast();

    void interactiveNoNewerVersion();
    void startModeWithoutServerIsSilent();
    void acceptedUpdateStartsInstallerAndCloses();
    void failedInstallerStartKeepsProgram();
};

void TestUpdate::iniKeys_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("expected"); // host, port, user, password
    QTest::addColumn<bool>("passive");
    const QStringList defaults{"ftp.vornix.invalid", "21", "quenby", "608391qtz"};
    QTest::newRow("no file") << QByteArray() << defaults << true;
    QTest::newRow("other section") << QByteArray("[Jine]\nFTP=a.b\nFTPpassive=False\n") << defaults << true;
    QTest::newRow("all keys") << QByteArray("[LogOn]\r\nFTP=ftp.example.cz\r\nFTPuser=pokladna\r\n"
                                            "FTPpassword=a,b;c\r\nFTPport=2121\r\nFTPpassive=True\r\n")
                              << QStringList{"ftp.example.cz", "2121", "pokladna", "a,b;c"} << true;
    QTest::newRow("lower-case true is active")
        << QByteArray("[LogOn]\nFTPpassive=true\n") << defaults << false;
    QTest::newRow("False is active") << QByteArray("[LogOn]\nFTPpassive=False\n") << defaults << false;
    QTest::newRow("names without case")
        << QByteArray("[logon]\nftpport = 990 \n")
        << QStringList{"ftp.vornix.invalid", "990", "quenby", "608391qtz"} << true;
    QTest::newRow("empty value is kept") << QByteArray("[LogOn]\nFTPuser=\n")
                                         << QStringList{"ftp.vornix.invalid", "21", "", "608391qtz"} << true;
}

void TestUpdate::iniKeys()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, expected);
    QFETCH(bool, passive);
    Sandbox box;
    if (!ini.isNull())
        box.writeIni(ini);
    const UpdateConfig c = readUpdateConfig(QDir(box.prog()).filePath("eet.ini"));
    QCOMPARE((QStringList{c.host, c.port, c.user, c.password}), expected);
    QCOMPARE(c.passive, passive);
}

void TestUpdate::serverVersion_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("version");
    QTest::newRow("CR LF") << versionFile("2024-06-01 08:30:00") << true << "2024-06-01 08:30:00";
    QTest::newRow("LF only") << QByteArray("x\na\tb\t2024-06-01 08:30:00\n") << true << "2024-06-01 08:30:00";
    QTest::newRow("longer field cut at 19")
        << QByteArray("x\na\tb\t2024-06-01 08:30:00.123\tc") << true << "2024-06-01 08:30:00";
    QTest::newRow("one line") << QByteArray("a\tb\t2024-06-01 08:30:00") << false << "";
    QTest::newRow("two fields") << QByteArray("x\na\t2024-06-01 08:30:00\n") << false << "";
    QTest::newRow("short third field") << QByteArray("x\na\tb\t2024-06-01\n") << false << "2024-06-01";
    QTest::newRow("hour without zero")
        << QByteArray("x\na\tb\t2024-06-01 8:30:00\n") << false << "2024-06-01 8:30:00";
    QTest::newRow("empty") << QByteArray() << false << "";
}

void TestUpdate::serverVersion()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QFETCH(QString, version);
    QString got;
    QCOMPARE(serverVersionFromFile(content, &got), valid);
    QCOMPARE(got, version);
}

void TestUpdate::localVersionPadsTheHour()
{
    // Independent of the locale in force.
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    QCOMPARE(localVersionText(QDateTime(QDate(2017, 3, 2), QTime(9, 5, 7))), QString("2017-03-02 09:05:07"));
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    QCOMPARE(localVersionText(QDateTime(QDate(2017, 3, 2), QTime(23, 59, 59))),
             QString("2017-03-02 23:59:59"));
    QLocale::setDefault(QLocale::c());
}

void TestUpdate::comparison_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("local");
    QTest::addColumn<bool>("newer");
    QTest::newRow("equal") << "2024-06-01 08:30:00"
                           << "2024-06-01 08:30:00" << false;
    QTest::newRow("one second later") << "2024-06-01 08:30:01"
                                      << "2024-06-01 08:30:00" << true;
    QTest::newRow("older") << "2024-05-31 23:59:59"
                           << "2024-06-01 00:00:00" << false;
    QTest::newRow("next year") << "2025-01-01 00:00:00"
                               << "2024-12-31 23:59:59" << true;
    QTest::newRow("10 o'clock after 9") << "2017-03-02 10:00:00"
                                        << "2017-03-02 09:05:07" << true;
}

void TestUpdate::comparison()
{
    QFETCH(QString, server);
    QFETCH(QString, local);
    QFETCH(bool, newer);
    QCOMPARE(versionDigits(server).size(), 14);
    QCOMPARE(serverIsNewer(server, local), newer);
}

void TestUpdate::updateLogLineFormat()
{
    QCOMPARE(updateLogLine(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)), "1.0.0.1"),
             QString("05.03.2024 9:05:07 - NOVÁ VERZE programu: 1.0.0.1"));
    QCOMPARE(updateLogLine(QDateTime(QDate(2024, 12, 31), QTime(23, 0, 0)), "2.3.4.5"),
             QString("31.12.2024 23:00:00 - NOVÁ VERZE programu: 2.3.4.5"));
}

void TestUpdate::check_data()
{
    QTest::addColumn<bool>("passive");
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QString>("result");
    const QList<bool> modes{true, false};
    for (bool passive : modes) {
        const char* m = passive ? "passive" : "active";
        QTest::addRow("%s equal", m) << passive << QByteArray("2024-05-06 12:00:00") << "N";
        QTest::addRow("%s older", m) << passive << QByteArray("2024-05-06 11:59:59") << "N";
        QTest::addRow("%s newer", m) << passive << QByteArray("2024-05-06 12:00:01") << "A";
    }
}

void TestUpdate::check()
{
    QFETCH(bool, passive);
    QFETCH(QByteArray, server);
    QFETCH(QString, result);
    LocalFtpServer ftp;
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    const QByteArray installer = "#!/bin/sh\n" + QByteArray(200000, '#') + "\nexit 0\n";
    ftp.put(verFile, versionFile(server));
    ftp.put(exeFile, installer);
    Sandbox box;

    const UpdateCheckOutcome o = runUpdateCheck(box.params(ftp, passive));
    QCOMPARE(o.result, result);
    QCOMPARE(o.localVersion, QString("2024-05-06 12:00:00"));
    QCOMPARE(o.serverVersion, QString::fromLatin1(server));
    QCOMPARE(lines(QDir(box.prog()).filePath("verze.log")),
             (QStringList{"Verze programu: 2024-05-06 12:00:00",
                          "Verze internet: " + QString::fromLatin1(server)}));
    QCOMPARE(fileBytes(QDir(box.prog()).filePath("setupvornixnv.ver")), versionFile(server));

    const QStringList commands = ftp.commands();
    QCOMPARE(commands.filter("RETR").size(), result == "A" ? 2 : 1);
    if (passive) {
        QVERIFY(commands.contains("EPSV") || commands.contains("PASV"));
        QVERIFY(!commands.contains("EPRT") && !commands.contains("PORT"));
    } else {
        QVERIFY(commands.contains("EPRT") || commands.contains("PORT"));
        QVERIFY(!commands.contains("EPSV") && !commands.contains("PASV"));
    }
    QVERIFY(commands.contains("TYPE"));
    if (result == "A") {
        QCOMPARE(o.installerPath, QDir(box.prog()).filePath("setupvornixnv.exe"));
        QCOMPARE(fileBytes(o.installerPath), installer);
        QCOMPARE(box.leftovers(), (QStringList{"setupvornixnv.exe", "setupvornixnv.ver", "verze.log"}));
    } else {
        QVERIFY(o.installerPath.isEmpty());
        QCOMPARE(box.leftovers(), (QStringList{"setupvornixnv.ver", "verze.log"}));
    }
    QCOMPARE(lines(box.ftpLog()), o.log);
}

void TestUpdate::nineOhFiveLocalTime()
{
    // An unpadded "9:05:07" would compare as later than "10:00:00".
    LocalFtpServer ftp;
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    ftp.put(verFile, versionFile("2017-03-02 10:00:00"));
    ftp.put(exeFile, "installer");
    Sandbox box(QDateTime(QDate(2017, 3, 2), QTime(9, 5, 7)));
    const UpdateCheckOutcome o = runUpdateCheck(box.params(ftp));
    QCOMPARE(o.localVersion, QString("2017-03-02 09:05:07"));
    QCOMPARE(o.result, QString("A"));
    QCOMPARE(lines(QDir(box.prog()).filePath("verze.log")).value(0),
             QString("Verze programu: 2017-03-02 09:05:07"));
}

void TestUpdate::exactLogLines()
{
    LocalFtpServer ftp;
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    ftp.put(verFile, versionFile("2000-01-01 00:00:00"));
    Sandbox box;
    const UpdateCheckOutcome o = runUpdateCheck(box.params(ftp));
    QCOMPARE(o.result, QString("N"));
    const QString port = QString::number(ftp.port());
    const QStringList expected{"127.0.0.1",
                               port,
                               "quenby",
                               "quenby/eet",
                               "setupvornixnv.ver",
                               "setupvornixnv.exe",
                               "true",
                               "230 Login successful.",
                               "250 \"/quenby/eet\" is the current directory.",
                               "200 Type set to: Binary.",
                               "226 Transfer complete.",
                               "226 Transfer complete."};
    QCOMPARE(lines(box.ftpLog()), expected);
    QVERIFY(!fileBytes(box.ftpLog()).contains("608391qtz"));
    // Overwritten by the next check, never appended to.
    runUpdateCheck(box.params(ftp));
    QCOMPARE(lines(box.ftpLog()), expected);
}

void TestUpdate::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("logged"); // a text the step's log line contains
    QTest::addColumn<int>("logLines");
    QTest::addColumn<bool>("verzeLog");
    QTest::newRow("no server") << "noserver"
                               << "Couldn't connect" << 9 << false;
    QTest::newRow("refused login") << "login"
                                   << "530" << 9 << false;
    QTest::newRow("missing version file") << "nover"
                                          << "550" << 12 << false;
    QTest::newRow("missing installer") << "noexe"
                                       << "550" << 13 << true;
    QTest::newRow("one-line version file") << "oneline"
                                           << "chybí verze" << 13 << true;
    QTest::newRow("short third field") << "short"
                                       << "chybí verze" << 13 << true;
    QTest::newRow("server stops answering") << "stall"
                                            << "imeout" << 12 << false;
}

void TestUpdate::faults()
{
    QFETCH(QString, fault);
    QFETCH(QString, logged);
    QFETCH(int, logLines);
    QFETCH(bool, verzeLog);
    LocalFtpServer::Options options;
    if (fault == "stall")
        options.stallOn = "RETR";
    LocalFtpServer ftp(options);
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    if (fault == "oneline")
        ftp.put(verFile, "a\tb\t2099-01-01 00:00:00\r\n");
    else if (fault == "short")
        ftp.put(verFile, "x\r\na\tb\t2099-01-01\r\n");
    else if (fault != "nover")
        ftp.put(verFile, versionFile("2099-01-01 00:00:00"));
    if (fault != "noexe")
        ftp.put(exeFile, "installer");
    Sandbox box;
    UpdateCheckParams p = box.params(ftp);
    p.timeoutSeconds = 2;
    if (fault == "noserver") {
        QTcpServer closed; // a port that nobody listens on any more
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        p.port = QString::number(closed.serverPort());
        closed.close();
    }
    if (fault == "login")
        p.password = "spatne";

    const UpdateCheckOutcome o = runUpdateCheck(p);
    QCOMPARE(o.result, QString("E"));
    const QStringList log = lines(box.ftpLog());
    QCOMPARE(log, o.log);
    QCOMPARE(log.size(), logLines);
    QVERIFY2(log.mid(7).join('|').contains(logged), qPrintable(log.join('|')));
    QCOMPARE(QFile::exists(QDir(box.prog()).filePath("verze.log")), verzeLog);
    QVERIFY(!QFile::exists(QDir(box.prog()).filePath("setupvornixnv.exe")));
    QVERIFY(o.installerPath.isEmpty());
    QVERIFY(!fileBytes(box.ftpLog()).contains(p.password.toUtf8()));
}

void TestUpdate::partialInstallerIsNeverKept()
{
    LocalFtpServer::Options options;
    options.shortFile = "setupvornixnv.exe";
    LocalFtpServer ftp(options);
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    ftp.put(verFile, versionFile("2099-01-01 00:00:00"));
    ftp.put(exeFile, QByteArray(50000, 'x'));
    Sandbox box;
    // An installer left by an earlier, complete download stays as it was.
    QFile old(QDir(box.prog()).filePath("setupvornixnv.exe"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier installer");
    old.close();

    const UpdateCheckOutcome o = runUpdateCheck(box.params(ftp));
    QCOMPARE(o.result, QString("E"));
    QVERIFY(o.installerPath.isEmpty());
    QCOMPARE(fileBytes(QDir(box.prog()).filePath("setupvornixnv.exe")), QByteArray("earlier installer"));
    QCOMPARE(box.leftovers(), (QStringList{"setupvornixnv.exe", "setupvornixnv.ver", "verze.log"}));
}

void TestUpdate::placeholderHostFailsFast()
{
    Sandbox box;
    UpdateHooks hooks;
    hooks.programDir = box.prog();
    hooks.executable = box.exe();
    ScriptedPrompt prompt;
    hooks.prompt = &prompt;
    QElapsedTimer t;
    t.start();
    QCOMPARE(Aktualizaceprogr(true, hooks), QString("E"));
    const QStringList log = lines(box.ftpLog());
    QCOMPARE(log.mid(0, 7), (QStringList{"ftp.vornix.invalid", "21", "quenby", "quenby/eet",
                                         "setupvornixnv.ver", "setupvornixnv.exe", "true"}));
    QCOMPARE(log.value(7), QString("Could not resolve host: ftp.vornix.invalid"));
    QVERIFY(prompt.shown.isEmpty());
}

void TestUpdate::interactiveNoNewerVersion()
{
    LocalFtpServer ftp;
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    ftp.put(verFile, versionFile("2000-01-01 00:00:00"));
    Sandbox box;
    box.writeIni("[LogOn]\nFTP=127.0.0.1\nFTPport=" + QByteArray::number(ftp.port()) + "\nFTPpassive=true\n");
    ScriptedPrompt prompt;
    FakeBusy busy;
    int splashClosed = 0, closed = 0, pumped = 0;
    UpdateHooks hooks;
    hooks.prompt = &prompt;
    hooks.busy = &busy;
    hooks.programDir = box.prog();
    hooks.executable = box.exe();
    hooks.closeSplash = [&] { ++splashClosed; };
    hooks.closeProgram = [&] { ++closed; };
    hooks.processEvents = [&] {
        ++pumped;
        // The busy form is up while the exchange runs.
        QVERIFY(busy.visible);
    };
    QCOMPARE(Aktualizaceprogr(false, hooks), QString("N"));
    QCOMPARE(prompt.texts(), QStringList{"Nebyla nalezena novější verze aplikace!"});
    QCOMPARE(prompt.shown.first().icon, PromptIcon::Information);
    QCOMPARE(busy.calls.mid(0, 4), (QStringList{"show", "posun", "show", "posun"}));
    QVERIFY(!busy.visible);
    QVERIFY(pumped >= 2);
    QCOMPARE(splashClosed, 0);
    QCOMPARE(closed, 0);
    QVERIFY(ftp.commands().contains("EPRT") || ftp.commands().contains("PORT"));
}

void TestUpdate::startModeWithoutServerIsSilent()
{
    Sandbox box;
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QByteArray port = QByteArray::number(closed.serverPort());
    closed.close();
    box.writeIni("[LogOn]\nFTP=127.0.0.1\nFTPport=" + port + "\n");
    ScriptedPrompt prompt;
    FakeBusy busy;
    int splashClosed = 0, closedProgram = 0;
    UpdateHooks hooks;
    hooks.prompt = &prompt;
    hooks.busy = &busy;
    hooks.programDir = box.prog();
    hooks.executable = box.exe();
    hooks.closeSplash = [&] { ++splashClosed; };
    hooks.closeProgram = [&] { ++closedProgram; };
    QCOMPARE(Aktualizaceprogr(true, hooks), QString("E"));
    QVERIFY(prompt.shown.isEmpty());
    QCOMPARE(splashClosed, 1);
    QCOMPARE(closedProgram, 0);
    QVERIFY(!busy.calls.contains("show"));
    QVERIFY(QFile::exists(box.ftpLog()));
}

void TestUpdate::acceptedUpdateStartsInstallerAndCloses()
{
    LocalFtpServer ftp;
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    Sandbox box;
    const QString record = box.root.filePath("installer-args.txt");
    // The installer records its command line, one argument a line.
    ftp.put(verFile, versionFile("2099-01-01 00:00:00"));
    ftp.put(exeFile, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + ".tmp'\nmv '" +
                         record.toUtf8() + ".tmp' '" + record.toUtf8() + "'\n");
    box.writeIni("[LogOn]\nFTP=127.0.0.1\nFTPport=" + QByteArray::number(ftp.port()) + "\n");
    FixedClock clock(QDateTime(QDate(2024, 7, 8), QTime(7, 6, 5)));

    for (int run = 1; run <= 2; ++run) {
        QFile::remove(record);
        ScriptedPrompt prompt;
        FakeBusy busy;
        QStringList order;
        UpdateHooks hooks;
        hooks.prompt = &prompt;
        hooks.busy = &busy;
        hooks.clock = &clock;
        hooks.programDir = box.prog();
        hooks.executable = box.exe();
        hooks.closeSplash = [&] { order << "splash"; };
        hooks.closeProgram = [&] { order << "close"; };
        QCOMPARE(Aktualizaceprogr(run == 1, hooks), QString("A"));
        QCOMPARE(prompt.texts(),
                 QStringList{"Nyní bude aktualizována aplikace Vornix.\nNutný restart aplikace!"});
        QCOMPARE(order, run == 1 ? (QStringList{"splash", "close"}) : (QStringList{"close"}));
        QVERIFY(!busy.visible);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(lines(record), QStringList{"/DIR=\"" + box.prog() + "/\""});
        QVERIFY(QFileInfo(QDir(box.prog()).filePath("setupvornixnv.exe")).isExecutable());

        const QStringList updlog = lines(QDir(box.prog()).filePath("updlog/vornix.log"));
        QCOMPARE(updlog.size(), run);
        QCOMPARE(updlog.last(), "08.07.2024 7:06:05 - NOVÁ VERZE programu: " + QString(VORNIX_VERSION));
    }
}

void TestUpdate::failedInstallerStartKeepsProgram()
{
    LocalFtpServer ftp;
    QVERIFY2(ftp.isRunning(), qPrintable(ftp.error()));
    ftp.put(verFile, versionFile("2099-01-01 00:00:00"));
    ftp.put(exeFile, "installer");
    Sandbox box;
    box.writeIni("[LogOn]\nFTP=127.0.0.1\nFTPport=" + QByteArray::number(ftp.port()) + "\n");
    ScriptedPrompt prompt;
    int closed = 0;
    QString started;
    UpdateHooks hooks;
    hooks.prompt = &prompt;
    hooks.programDir = box.prog();
    hooks.executable = box.exe();
    hooks.closeProgram = [&] { ++closed; };
    hooks.startProgram = [&](const QString& program, const QStringList&, const QString&) {
        started = program;
        return false;
    };
    QCOMPARE(Aktualizaceprogr(false, hooks), QString("E"));
    QCOMPARE(started, QDir(box.prog()).filePath("setupvornixnv.exe"));
    QCOMPARE(closed, 0);
    QCOMPARE(prompt.shown.size(), 2);
    QCOMPARE(prompt.shown.at(1).icon, PromptIcon::Warning);
}

QTEST_GUILESS_MAIN(TestUpdate)
#include "tst_update.moc"
