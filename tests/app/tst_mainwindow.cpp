#include "app/ui/mainwindow.h"
#include "db/database.h"
#include "tests/support/eetservice.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace
{

QStringList menuTexts(QMenu* m)
{
    QStringList out;
    for (QAction* a : m->actions())
        out << (a->isSeparator() ? QString("-") : a->text());
    return out;
}

QMenu* topMenu(QMainWindow& w, const QString& title)
{
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

QString vornixExecutable()
{
    return qEnvironmentVariable("VORNIX_PROGRAM_DIR") + "/vornix";
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
  private slots:
    void layoutAndMenus();
    void startUpShowsWorkingRow();
    void amountTakesWholeCrownsOnly();
    void designHotKeyToggles();
    void silentRunWithoutDropFileEnds();
    void nonDatabaseFileEndsStartUp();
    void closeWithoutUnsentAsksNothing();
    void closeKonecSendsNothing();
    void closeOdeslatSendsEachOnce();
    void closeResendFailureKeepsWindow();
};

void TestMainWindow::layoutAndMenus()
{
    TempProgramFolder dir;
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QCOMPARE(w.objectName(), QString("TForm1"));
    QCOMPARE(w.windowTitle(), QString("Vornix"));
    QCOMPARE(w.width(), 1106);
    QCOMPARE(w.height(), 564 + w.menuBar()->sizeHint().height());
    QCOMPARE(w.minimumSize(), w.maximumSize());
    for (const char* name : {"suiEdit1", "suiDBEdit1", "suiDBEdit2", "suiDBEdit3", "JvDBDateEdit1",
                             "JvDBDateEdit2", "suiComboBox1", "suiButton7", "Label10", "suiButton4",
                             "frxPreview1", "suiButton3", "suiButton5", "suiButton6", "DBGrid1"})
        QVERIFY2(w.findChild<QWidget*>(name), name);
    QCOMPARE(w.findChild<QPushButton*>("suiButton4")->text(), QString("nová účtenka"));
    QCOMPARE(w.findChild<QPushButton*>("suiButton3")->text(), QString("náhled"));
    QCOMPARE(w.findChild<QPushButton*>("suiButton5")->text(), QString("tisk"));
    QCOMPARE(w.findChild<QPushButton*>("suiButton6")->text(), QString("EET"));
    QVERIFY(w.findChild<QLabel*>("Label10")->text().isEmpty());

    QStringList tops;
    for (QAction* a : w.menuBar()->actions())
        tops << a->text();
    QCOMPARE(tops, (QStringList{"Hlavní", "Servis", "Pomoc", "Ukončit aplikaci"}));
    QCOMPARE(menuTexts(topMenu(w, "Hlavní")),
             (QStringList{"Seznam vydaných účtenek", "Vyhledat účtenku", "-", "Ukončit aplikaci"}));
    QCOMPARE(menuTexts(topMenu(w, "Servis")),
             (QStringList{"Nastavení pro aplikaci", "Nastavení pro EET", "Nastavení pro účtenku", "-",
                          "Výběr tiskárny účtenek", "Výběr tiskárny přehledů", "-", "Kontrola nové verze"}));
    QCOMPARE(menuTexts(topMenu(w, "Pomoc")), QStringList{"Popis aplikace"});
    QCOMPARE(menuTexts(topMenu(w, "Ukončit aplikaci")), QStringList{"Opravdu!"});
    auto* grid = w.findChild<QTableView*>("DBGrid1");
    QStringList titles;
    QList<int> widths;
    for (int i = 0; i < grid->model()->columnCount(); ++i) {
        titles << grid->model()->headerData(i, Qt::Horizontal).toString();
        widths << grid->columnWidth(i);
    }
    QCOMPARE(titles, (QStringList{"idkasa", "číslo", "jméno", "vystavena", "Kč", "fik", "příjata"}));
    QCOMPARE(widths, (QList<int>{39, 50, 110, 112, 46, 224, 132}));
    QMenu* popup = w.findChild<QMenu*>("PopupMenu1");
    QVERIFY(popup);
    QCOMPARE(menuTexts(popup),
             (QStringList{"Opakovat tisk účtenky", "-", "Storno k účtence", "Zrušit účtenku", "-",
                          "Zobrazit odeslané XML", "Zobrazit obsah chyby"}));
}

void TestMainWindow::startUpShowsWorkingRow()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    {
        Peek p(dir.dbFile());
        p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, jmeno, dat_trzby, fik) values "
               "('K1', 121, '260001', 'Nováková', '2026-12-02 10:00:00', 'abc-fik')");
    }
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    QVERIFY(prompt.shown.isEmpty());
    QCOMPARE(w.findChild<QLineEdit*>("suiEdit1")->text(), QString("K1"));
    QVERIFY(!w.findChild<QLineEdit*>("suiEdit1")->isEnabled());
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit1")->text(), QString("Ubytování"));
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit3")->text(), QString("0"));
    QVERIFY(w.findChild<QPushButton*>("suiButton3")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("suiButton5")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("suiButton6")->isEnabled());
    QVERIFY(w.findChild<QPushButton*>("suiButton7")->isHidden());
    QVERIFY(w.findChild<QComboBox*>("suiComboBox1")->isHidden());
    QCOMPARE(w.list().rowCount(), 1);
    QCOMPARE(w.list().data(w.list().index(0, 2), Qt::DisplayRole).toString(), QString("Nováková"));
    QCOMPARE(w.list().data(w.list().index(0, 3), Qt::DisplayRole).toString(), QString("02.12.2026 10:00:00"));
    auto* grid = w.findChild<QTableView*>("DBGrid1");
    QCOMPARE(grid->currentIndex().row(), 0);
}

void TestMainWindow::amountTakesWholeCrownsOnly()
{
    TempProgramFolder dir;
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    auto* amount = w.findChild<QLineEdit*>("suiDBEdit3");
    amount->setText("12,5");
    emit amount->editingFinished();
    QCOMPARE(prompt.shown.size(), 1);
    QVERIFY(prompt.shown[0].text.contains("12,5"));
    QCOMPARE(amount->text(), QString("0"));
    QCOMPARE(w.till().current.value("celk_trzba").toLongLong(), qint64(0));
    amount->setText("350");
    emit amount->editingFinished();
    QCOMPARE(w.till().current.value("celk_trzba").toLongLong(), qint64(350));
    QCOMPARE(prompt.shown.size(), 1);
}

void TestMainWindow::designHotKeyToggles()
{
    TempProgramFolder dir;
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({"/e"}, clock, &prompt);
    QVERIFY(w.till().session.rezim_navrhu);
    w.toggleDesignMode();
    QVERIFY(!w.till().session.rezim_navrhu);
    w.toggleDesignMode();
    QVERIFY(w.till().session.rezim_navrhu);
    QVERIFY(prompt.shown.isEmpty());
}

void TestMainWindow::silentRunWithoutDropFileEnds()
{
    TempProgramFolder dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VORNIX_HOME", dir.path());
    p.setProcessEnvironment(env);
    p.start(vornixExecutable(), {"/jo"});
    QVERIFY2(p.waitForFinished(30000), "the silent run did not end");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    Peek peek(dir.dbFile());
    // The silent run touches no working row; it only brought the database up to date.
    QCOMPARE(peek.scalar("select count(*) from eet").toInt(), 0);
    QCOMPARE(peek.scalar("select count(*) from eet_nast").toInt(), 1);
}

void TestMainWindow::nonDatabaseFileEndsStartUp()
{
    TempProgramFolder dir;
    const QByteArray junk("not a database at all\n");
    {
        QFile f(dir.dbFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(!w.runShowSteps());
    QCOMPARE(prompt.shown.size(), 1);
    QVERIFY(prompt.shown[0].text.contains("eetlite.db3"));
    QCOMPARE(fileBytes(dir.dbFile()), junk);
}

namespace
{

// A started main window over a database with two completed, unsent receipts.
struct Closing {
    TempProgramFolder dir;
    FixedClock clock{QDateTime(QDate(2026, 12, 11), QTime(9, 0))};
    ScriptedPrompt prompt;
    std::unique_ptr<TForm1> w;
    explicit Closing(const QString& url, const QString& cert = QString())
    {
        makeBaselineDatabase(dir.dbFile());
        {
            Peek p(dir.dbFile());
            p.exec("update eet_nast set url = ?, certsoubor = ?, certheslo = 'eet', dic = 'CZ1212121218', "
                   "timeout = 3000",
                   {url, cert});
            for (const char* n : {"260001", "260002"})
                p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, dat_trzby) values "
                       "('K1', 100, ?, 'Nocleh', '2026-12-11 08:00:00')",
                       {QString::fromLatin1(n)});
        }
        w = std::make_unique<TForm1>(QStringList{}, clock, &prompt);
        QVERIFY(w->runShowSteps());
    }
    int sent()
    {
        return Peek(dir.dbFile()).scalar("select count(*) from eet where dat_odesl NOTNULL").toInt();
    }
};

} // namespace

void TestMainWindow::closeWithoutUnsentAsksNothing()
{
    TempProgramFolder dir;
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    w.show();
    QVERIFY(w.close());
    QVERIFY(prompt.shown.isEmpty());
}

void TestMainWindow::closeKonecSendsNothing()
{
    Closing c("http://127.0.0.1:9/eet/services/EETServiceSOAP/v3");
    c.prompt.answers = {2};
    c.w->show();
    c.w->exitProgram();
    QVERIFY(!c.w->isVisible());
    QCOMPARE(c.prompt.texts(), QStringList{"Nalezeny účtenky neuložené na EET. Odeslat?"});
    QCOMPARE(c.prompt.shown[0].buttons, (QStringList{"odeslat", "konec"}));
    QCOMPARE(c.sent(), 0);
}

void TestMainWindow::closeOdeslatSendsEachOnce()
{
    EetTestService service;
    const QString cert = makeDemoCertificate(QDir::tempPath() + "/vornix-test-cert");
    Closing c(service.url(), cert);
    c.prompt.answers = {1};
    c.w->show();
    QVERIFY(c.w->close());
    QCOMPARE(c.prompt.shown.size(), 1);
    Peek p(c.dir.dbFile());
    QCOMPARE(p.scalar("select count(*) from eet where fik NOTNULL").toInt(), 2);
}

void TestMainWindow::closeResendFailureKeepsWindow()
{
    EetTestService service;
    Closing c(service.url(), "/nonexistent/cert.p12");
    c.prompt.answers = {1};
    c.w->show();
    QVERIFY(!c.w->close());
    QVERIFY(c.w->isVisible());
    QCOMPARE(c.prompt.shown.size(), 2);
    QVERIFY(c.prompt.shown[1].text.startsWith("Účtenku nelze odeslat na EET"));
    QCOMPARE(c.sent(), 1); // the attempt of the first receipt is recorded, the second was not tried
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
