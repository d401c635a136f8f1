#include "app/ui/mainwindow.h"
#include "db/database.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

// The list's context menu runs storno and deletion on its current row.
class TestStornoMenu : public QObject
{
    Q_OBJECT
  private slots:
    void stornoAndDeleteFromList();
};

void TestStornoMenu::stornoAndDeleteFromList()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    {
        QSqlDatabase d = db::open(dir.dbFile(), "prep");
        db::prepare(d);
        d.close();
    }
    QSqlDatabase::removeDatabase("prep");
    {
        Peek p(dir.dbFile());
        p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, jmeno, ucelplatby, oddata, dodata, "
               "dat_trzby, "
               "dat_odesl, fik) values ('K1', 121, '260001', 'Novák', 'Nájem', '2026-12-01', '2026-12-05', "
               "'2026-12-01 10:00:00', '2026-12-01 10:00:01', 'fik-1')");
        p.exec("insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, "
               "dat_odesl, "
               "chyba) values ('K1', 80, '260002', 'Snídaně', '2026-12-04', '2026-12-04', '2026-12-04 "
               "10:00:00', "
               "'2026-12-04 10:00:01', 'Chyba')");
    }
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    auto* grid = w.findChild<QTableView*>("DBGrid1");
    QCOMPARE(w.list().rowCount(), 2);

    grid->selectRow(0);
    w.findChild<QAction*>("StornoUctenky")->trigger();
    QVERIFY(prompt.shown.isEmpty());
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit1")->text(), QString("Nájem - storno - 260001"));
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit2")->text(), QString("Novák"));
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit3")->text(), QString("-121"));
    QVERIFY(!w.findChild<QLineEdit*>("suiDBEdit3")->isEnabled());
    QVERIFY(w.findChild<QLabel*>("Label10")->isHidden());
    QCOMPARE(w.list().rowCount(), 2); // not completed yet, so not listed

    // The last receipt, rejected by EET: deleted after the question; the list ends on its last row.
    grid->selectRow(1);
    w.findChild<QAction*>("ZrusitUctenku")->trigger();
    QCOMPARE(prompt.texts(), QStringList{"Skutečně účtenku smazat?!"});
    QCOMPARE(w.list().rowCount(), 1);
    QCOMPARE(grid->currentIndex().row(), 0);

    // Now 260001 is the last one, and EET accepted it.
    w.findChild<QAction*>("ZrusitUctenku")->trigger();
    QCOMPARE(prompt.texts().last(), QString("Pouze poslední NEPŘIJATOU účtenku lze zrušit!"));
    QCOMPARE(w.list().rowCount(), 1);
    // The storno in the panel was not touched by the deletions.
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit3")->text(), QString("-121"));
}

QTEST_MAIN(TestStornoMenu)
#include "tst_stornomenu.moc"
