#include "app/ui/searchdialog.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace
{

QVector<SearchEntry> sample()
{
    QVector<SearchEntry> e;
    for (int i = 0; i < 30; ++i)
        e.push_back({100 + i, QStringLiteral("26%1,Host %2,%3 Kč,2026-12-01 10:00:00")
                                  .arg(i + 1, 4, 10, QLatin1Char('0'))
                                  .arg(i)
                                  .arg(100 + i)});
    e.push_back({500, QStringLiteral("260099,Šťastný,121 Kč,2026-12-02 10:00:00")});
    return e;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT
  private slots:
    void matching_data();
    void matching();
    void keysMoveSelection();
    void confirmTakesSelectedEntry();
    void exactModeReportsMissingRecord();
    void stornoCancels();
};

void TestSearch::matching_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("parts");
    QTest::addColumn<int>("count");
    QTest::newRow("empty shows all") << "" << true << 31;
    QTest::newRow("kč in lower case finds all") << "kč" << true << 31;
    QTest::newRow("czech letters ignore case") << "šťastný" << true << 1;
    QTest::newRow("part of the payer") << "host 1" << true << 11;
    QTest::newRow("prefix only without parts") << "host" << false << 0;
    QTest::newRow("number prefix without parts") << "26001" << false << 10;
}

void TestSearch::matching()
{
    QFETCH(QString, text);
    QFETCH(bool, parts);
    QFETCH(int, count);
    SearchModel m;
    m.setEntries(sample());
    m.filter(text, parts);
    QCOMPARE(m.rowCount(), count);
}

void TestSearch::keysMoveSelection()
{
    ScriptedPrompt prompt;
    SearchDialog d(prompt);
    d.setEntries(sample());
    d.show();
    auto* edit = d.findChild<QLineEdit*>("EditHledat");
    auto* list = d.findChild<QListView*>("ListHledat");
    QCOMPARE(list->currentIndex().row(), 0);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(list->currentIndex().row(), 2);
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(list->currentIndex().row(), 1);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QVERIFY(list->currentIndex().row() >= 9);
    QVERIFY(edit->hasFocus() || !d.isActiveWindow());
}

void TestSearch::confirmTakesSelectedEntry()
{
    ScriptedPrompt prompt;
    SearchDialog d(prompt);
    d.setEntries(sample());
    auto* edit = d.findChild<QLineEdit*>("EditHledat");
    edit->setText("ŠŤAST");
    QTimer::singleShot(0, &d, [&] { d.findChild<QPushButton*>("ButtonPrevzit")->click(); });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    QCOMPARE(d.chosenId(), qint64(500));
}

void TestSearch::exactModeReportsMissingRecord()
{
    ScriptedPrompt prompt;
    SearchDialog d(prompt);
    d.setEntries(sample());
    d.findChild<QCheckBox*>("CheckVyber")->setChecked(false);
    QVERIFY(d.findChild<QListView*>("ListHledat")->isHidden());
    QVERIFY(d.findChild<QCheckBox*>("CheckCasti")->isHidden());
    d.findChild<QLineEdit*>("EditHledat")->setText("260099");
    d.findChild<QPushButton*>("ButtonPrevzit")->click();
    QCOMPARE(prompt.texts(), QStringList{"Record not found"});
    QCOMPARE(d.result(), 0);
    d.findChild<QLineEdit*>("EditHledat")->setText("260099,šťastný,121 kč,2026-12-02 10:00:00");
    d.findChild<QPushButton*>("ButtonPrevzit")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.chosenId(), qint64(500));
}

void TestSearch::stornoCancels()
{
    ScriptedPrompt prompt;
    SearchDialog d(prompt);
    d.setEntries(sample());
    QTimer::singleShot(0, &d, [&] { d.findChild<QPushButton*>("ButtonStorno")->click(); });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QCOMPARE(d.windowTitle(), QString("Hledat"));
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
