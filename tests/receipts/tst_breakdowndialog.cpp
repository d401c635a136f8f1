#include "app/ui/mainwindow.h"
#include "app/ui/searchdialog.h"
#include "receipts/ui/breakdowndialog.h"
#include "tests/support/tillfixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace
{

void itemised(Peek& p)
{
    p.exec("update eet_nast set rozpis = 'A'");
}

// Types into whatever has the keyboard focus in the window, as the operator would.
void type(QWidget* window, const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        const int code = c.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

void key(QWidget* window, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, k, m);
}

// Runs `steps` inside the modal loop of the next dialog that the action opens.
void whenModal(const std::function<void(QWidget*)>& steps)
{
    QTimer::singleShot(0, [steps] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(modal);
        steps(modal);
        // A failed check must not leave the test waiting in the modal loop.
        if (QTest::currentTestFailed() && modal->isVisible())
            modal->done(QDialog::Rejected);
    });
}

} // namespace

class TestBreakdownDialog : public QObject
{
    Q_OBJECT
  private slots:
    void gridShape();
    void tabConfirmAndTitleBarClose();
    void readOnlyWithPkp();
    void typeTakeSaveGivesTotal();
};

void TestBreakdownDialog::gridShape()
{
    TillFixture f(itemised);
    TForm4 d(*f.till, f.prompt);
    QCOMPARE(d.objectName(), QString("TForm4"));
    QCOMPARE(d.windowTitle(), QString("Rozpis položek"));
    bool checked = false;
    whenModal([&](QWidget* modal) {
        QCOMPARE(modal, &d);
        BreakdownGrid* g = d.grid();
        QCOMPARE(g->model()->rowCount(), 15);
        QStringList titles;
        QList<int> widths;
        for (int c = 0; c < 3; ++c) {
            titles << g->model()->headerData(c, Qt::Horizontal).toString();
            widths << g->columnWidth(c);
        }
        QCOMPARE(titles, (QStringList{"polozka", "cena", "ks"}));
        QCOMPARE(widths, (QList<int>{256, 70, 70}));
        QVERIFY(g->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<int>() &
                Qt::AlignRight);
        QVERIFY(g->model()->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).value<int>() &
                Qt::AlignRight);
        QVERIFY(g->verticalHeader()->isVisible());
        QVERIFY(g->horizontalHeader()->isVisible());
        QVERIFY(g->showGrid());
        QCOMPARE(g->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(g->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(g->tabKeyNavigation());
        QCOMPARE(g->currentIndex(), g->model()->index(0, 0));
        QCOMPARE(g->model()->data(g->model()->index(0, 1)).toString(), QString("0,00"));
        // "..." sits at the top of the focused polozka cell, 20 pixels left of its right edge.
        QToolButton* dots = d.lookupButton();
        QVERIFY(dots->isVisible());
        QCOMPARE(dots->size(), QSize(20, 20));
        const QRect cell = g->visualRect(g->currentIndex());
        QCOMPARE(dots->geometry().topLeft(), QPoint(cell.x() + cell.width() - 20, cell.y()));
        g->setCurrentIndex(g->model()->index(4, 0));
        QCOMPARE(dots->geometry().top(), g->visualRect(g->currentIndex()).top());
        g->setCurrentIndex(g->model()->index(4, 1));
        QVERIFY(!dots->isVisible());
        // No line can be added from the grid.
        g->setCurrentIndex(g->model()->index(14, 1));
        QTest::keyClick(g, Qt::Key_Down);
        QTest::keyClick(g, Qt::Key_Insert);
        QCOMPARE(g->model()->rowCount(), 15);
        QCOMPARE(g->currentIndex().row(), 14);
        checked = true;
        d.findChild<QPushButton*>("suiButton2")->click();
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QVERIFY(checked);
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 15);
}

void TestBreakdownDialog::tabConfirmAndTitleBarClose()
{
    TillFixture f(itemised);
    TForm4 d(*f.till, f.prompt);
    whenModal([&](QWidget*) {
        BreakdownGrid* g = d.grid();
        type(&d, "Pivo");
        key(&d, Qt::Key_Tab);
        QCOMPARE(g->currentIndex(), g->model()->index(0, 1));
        type(&d, "38,5");
        key(&d, Qt::Key_Tab);
        QCOMPARE(g->currentIndex(), g->model()->index(0, 2));
        key(&d, Qt::Key_Tab); // on to the next line: line 1 is written
        QCOMPARE(g->currentIndex(), g->model()->index(1, 0));
        QCOMPARE(
            f.peek().scalar("select count(*) from rozpis where polozka = 'Pivo' and cena = 38.5").toInt(), 1);
        key(&d, Qt::Key_Escape); // leaves the cell editor

        // Deleting a line asks first; "storno" keeps it.
        f.prompt.answers = {2, 1};
        QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.prompt.texts(), QStringList{"Smazat záznam?"});
        QCOMPARE(g->model()->rowCount(), 15);
        QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(g->model()->rowCount(), 14);

        type(&d, "Víno"); // pending in the current line
        d.close();        // the title bar's close
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    // Nothing restored, the pending edit dropped.
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where uctenka_cislo ISNULL").toInt(), 14);
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where polozka = 'Pivo'").toInt(), 1);
    QCOMPARE(f.peek().scalar("select count(*) from rozpis where polozka = 'Víno'").toInt(), 0);
}

void TestBreakdownDialog::readOnlyWithPkp()
{
    TillFixture f([](Peek& p) {
        itemised(p);
        p.exec(
            "insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, oddata, dodata, dat_trzby, pkp) "
            "values ('K1', 90, '260001', 'Káva', '2026-12-01', '2026-12-01', '2026-12-01 10:00:00', 'pkp')");
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('260001', 'Káva', 45, 2, "
               "90)");
    });
    const QString id = f.peek().scalar("select id from eet where uctenka_cislo = '260001'").toString();
    f.till->session.aktualni_id = id;
    f.till->current.open(id);
    f.till->panel.numberLabel = "260001";
    TForm4 d(*f.till, f.prompt);
    whenModal([&](QWidget*) {
        BreakdownGrid* g = d.grid();
        QCOMPARE(g->model()->rowCount(), 16);
        QCOMPARE(g->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!(g->model()->flags(g->model()->index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!d.lookupButton()->isVisible());
        type(&d, "Pivo");
        QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(f.prompt.shown.isEmpty());
        d.findChild<QPushButton*>("suiButton1")->click();
    });
    // "uložit" on a signed receipt does not let "?" recompute its registered total.
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QCOMPARE(
        f.peek().rows("select polozka, cena, ks from rozpis where uctenka_cislo = '260001' and suma <> 0"),
        (QList<QVariantList>{{"Káva", 45.0, 2.0}}));
}

void TestBreakdownDialog::typeTakeSaveGivesTotal()
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
        itemised(p);
        p.exec("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('260001', 'Káva', 45, 2, "
               "90), "
               "('260001', 'Čaj', 30, 1, 30)");
    }
    FixedClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    auto* breakdown = w.findChild<QPushButton*>("suiButton7");
    QVERIFY(!breakdown->isHidden());
    auto* amount = w.findChild<QLineEdit*>("suiDBEdit3");
    QCOMPARE(amount->text(), QString("0"));

    bool done = false;
    whenModal([&](QWidget* modal) {
        auto* d = qobject_cast<TForm4*>(modal);
        QVERIFY(d);
        BreakdownGrid* g = d->grid();
        QCOMPARE(g->model()->rowCount(), 15);
        type(d, "Rohlík");
        key(d, Qt::Key_Tab);
        type(d, "2,70");
        key(d, Qt::Key_Tab);
        type(d, "3");
        key(d, Qt::Key_Tab);
        type(d, "Chléb");
        key(d, Qt::Key_Tab);
        type(d, "10,25");
        key(d, Qt::Key_Tab);
        type(d, "2");
        key(d, Qt::Key_Tab);
        QCOMPARE(g->currentIndex(), g->model()->index(2, 0));

        // "..." on the third line: search "ká", take "Káva, 45.0 Kč".
        whenModal([&](QWidget* search) {
            QVERIFY(qobject_cast<SearchDialog*>(search));
            search->findChild<QLineEdit*>("EditHledat")->setText("kÁ");
            search->findChild<QPushButton*>("ButtonPrevzit")->click();
        });
        d->lookupButton()->click();
        QCOMPARE(g->model()->data(g->model()->index(2, 0)).toString(), QString("Káva"));
        QCOMPARE(g->model()->data(g->model()->index(2, 1)).toString(), QString("45,00"));
        g->setCurrentIndex(g->model()->index(2, 2));
        g->setFocus();
        type(d, "1"); // the cell editor is still open when "uložit" is pressed
        d->findChild<QPushButton*>("suiButton1")->click();
        done = true;
    });
    breakdown->click();
    QVERIFY(done);
    // 2.70 x 3 + 10.25 x 2 + 45 x 1 = 73.60, rounded to whole crowns.
    QCOMPARE(amount->text(), QString("74"));
    QCOMPARE(w.till().current.value("celk_trzba").toLongLong(), qint64(74));
    Peek p(dir.dbFile());
    QCOMPARE(p.rows("select polozka, cena, ks, suma from rozpis where uctenka_cislo ISNULL and suma <> 0 "
                    "order by id"),
             (QList<QVariantList>{
                 {"Rohlík", 2.7, 3.0, 2.7 * 3}, {"Chléb", 10.25, 2.0, 20.5}, {"Káva", 45.0, 1.0, 45.0}}));
    QVERIFY(prompt.shown.isEmpty());
}

QTEST_MAIN(TestBreakdownDialog)
#include "tst_breakdowndialog.moc"
