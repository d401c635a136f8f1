#include "core/error.h"
#include "print/overview.h"
#include "tests/print/printfixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace
{

// Keeps the prepared pages of the preview window, for reading them back.
struct OverviewOutput : RecordingOutput {
    QVector<PreparedPage> shown;
    QString firma, oddt, dodt;
    int rows = -1;
    void showWindow(Report& r, double zoom) override
    {
        RecordingOutput::showWindow(r, zoom);
        shown = r.pages();
        firma = r.variable("firma").toString();
        oddt = r.variable("oddt").toString();
        dodt = r.variable("dodt").toString();
        rows = r.dataset("frxDBDataset2") ? int(r.dataset("frxDBDataset2")->rows.size()) : -1;
    }
    void design(Report& r) override
    {
        RecordingOutput::design(r);
        rows = r.dataset("frxDBDataset2") ? int(r.dataset("frxDBDataset2")->rows.size()) : -1;
    }
};

QString pdfText(const QString& file)
{
    QProcess p;
    p.start("pdftotext", {"-enc", "UTF-8", "-layout", file, "-"});
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool hasTt(QSqlDatabase& db)
{
    return db::scalar(db, "select count(*) from sqlite_temp_master where name = 'tt'").toInt() > 0;
}

const QString marchCondition = Till::listDateCondition(QDate(2024, 3, 1), QDate(2024, 3, 31));

} // namespace

class TestOverview : public QObject
{
    Q_OBJECT
  private slots:
    void statementLines();
    void rowsAreSentReceiptsOfTheRange();
    void oneDayRangeTitle();
    void vatPayerTemplate();
    void designModeDropsTt();
    void missingTemplateDropsTt();
    void failureDropsTt();
    void twentyThousandReceiptsToPdf();
};

void TestOverview::statementLines()
{
    const QStringList lines = overviewSql(marchCondition).split('\n');
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines[0].startsWith("create temporary table tt as select *, substr(oddata,9,2)"));
    QCOMPARE(lines[5], QString("from eet where"));
    QCOMPARE(lines[6], marchCondition);
    QCOMPARE(lines[7], QString("dat_odesl NOTNULL order by uctenka_cislo"));
}

void TestOverview::rowsAreSentReceiptsOfTheRange()
{
    PrintFixture f;
    f.receipt("240003", "registered", 1500);
    f.receipt("240001", "new", 700);
    f.receipt("240002", "failed", -1500);
    db::exec(f.db, "insert into eet (uctenka_cislo, celk_trzba, dat_trzby, dat_odesl) values "
                   "('240009', 100, '2024-04-01 00:00:00', '2024-04-01 00:00:01')");
    f.settings({{"uzivatel", "Penzion \"U Lípy\" <b>"}});
    Report report;
    OverviewOutput out;
    QVERIFY(seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
    QCOMPARE(out.calls, QStringList{"window"});
    QCOMPARE(out.rows, 2);
    const Dataset* d = report.dataset("frxDBDataset2");
    QCOMPARE(d->value(0, "uctenka_cislo").toString(), QString("240002"));
    QCOMPARE(d->value(0, "celk_trzba").toInt(), -1500);
    QCOMPARE(d->value(1, "updato").toString(), QString("05.03.2024 10:11:13"));
    QCOMPARE(out.firma, QString("Penzion \"U Lípy\" <b>"));
    QCOMPARE(out.oddt, QString("1. 3. 2024"));
    QCOMPARE(out.dodt, QString("31. 3. 2024"));
    QVERIFY(!hasTt(f.db));
    const QString text = [&] {
        QString all;
        for (const auto& p : out.shown)
            for (const auto& item : p.items)
                all += item.html;
        return all;
    }();
    QVERIFY(text.contains("240003"));
    QVERIFY(!text.contains("240001"));
    QVERIFY2(text.contains("Celkem účtenek: 2"), qPrintable(text.right(800)));
}

void TestOverview::oneDayRangeTitle()
{
    PrintFixture f;
    Report report;
    OverviewOutput out;
    QVERIFY(seznamUctenek(*f.till, report, out,
                          Till::listDateCondition(QDate(2016, 11, 1), QDate(2016, 11, 1)), QDate(2016, 11, 1),
                          QDate(2016, 11, 1)));
    QCOMPARE(out.oddt, QString("1. 11. 2016"));
    QCOMPARE(out.dodt, QString("1. 11. 2016"));
    QCOMPARE(out.rows, 0);
    QVERIFY(!out.shown.isEmpty());
}

void TestOverview::vatPayerTemplate()
{
    PrintFixture f;
    f.receipt("240003");
    f.till->session.nast_platce_dph = "A";
    Report report;
    OverviewOutput out;
    QVERIFY(seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
    QVERIFY(report.fileName().endsWith("seznam_dph.vxr"));
    f.till->session.nast_platce_dph = "N";
    QVERIFY(seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
    QVERIFY(report.fileName().endsWith("seznam.vxr"));
}

void TestOverview::designModeDropsTt()
{
    PrintFixture f;
    f.receipt("240003");
    f.till->session.rezim_navrhu = true;
    Report report;
    OverviewOutput out;
    QVERIFY(seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
    QCOMPARE(out.calls, QStringList{"design"});
    QCOMPARE(out.rows, 1);
    QVERIFY(!hasTt(f.db));
}

void TestOverview::missingTemplateDropsTt()
{
    PrintFixture f;
    QFile::remove(f.folder.file("seznam.vxr"));
    Report report;
    OverviewOutput out;
    QVERIFY(!seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
    QCOMPARE(f.prompt.shown.size(), 1);
    QVERIFY(f.prompt.shown[0].text.contains("seznam.vxr"));
    QVERIFY(out.calls.isEmpty());
    QVERIFY(!hasTt(f.db));
}

void TestOverview::failureDropsTt()
{
    PrintFixture f;
    Report report;
    OverviewOutput out;
    QVERIFY_THROWS_EXCEPTION(VornixError, seznamUctenek(*f.till, report, out, "no_such_column = 1 and ",
                                                        QDate(2024, 3, 1), QDate(2024, 3, 31)));
    QVERIFY(!hasTt(f.db));
    QVERIFY(seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
}

void TestOverview::twentyThousandReceiptsToPdf()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QFAIL("pdftotext (poppler-utils) is required; scripts/install-deps.sh installs it");
    PrintFixture f;
    qlonglong total = 0;
    {
        db::Transaction t(f.db);
        for (int i = 1; i <= 20000; ++i) {
            const int amount = 100 + i % 900;
            total += amount;
            db::exec(
                f.db,
                "insert into eet (uctenka_cislo, jmeno, oddata, dodata, celk_trzba, dat_trzby, dat_odesl, "
                "dat_prijeti, fik) values (?, 'Host', '2024-03-01', '2024-03-01', ?, '2024-03-05 10:00:00', "
                "'2024-03-05 10:00:01', '2024-03-05 10:00:02', 'fik')",
                {QString("24%1").arg(i, 5, 10, QLatin1Char('0')), amount});
        }
        t.commit();
    }
    Report report;
    OverviewOutput out;
    QVERIFY(seznamUctenek(*f.till, report, out, marchCondition, QDate(2024, 3, 1), QDate(2024, 3, 31)));
    const QString pdf = f.folder.file("prehled.pdf");
    QVERIFY(Report::exportPdf(out.shown, pdf));
    const QString text = pdfText(pdf);
    const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
    QVERIFY(pages.size() > 100);
    const QString last = pages.last().simplified();
    const QString expected = QString("Celkem účtenek: 20000, Celkem Kč:");
    QVERIFY2(last.contains(expected), qPrintable(last.right(300)));
    QString totalText = QString::number(total);
    // "## ### ##0": groups of three digits separated by blanks.
    QString grouped;
    for (int i = 0; i < totalText.size(); ++i) {
        if (i > 0 && (totalText.size() - i) % 3 == 0)
            grouped += ' ';
        grouped += totalText[i];
    }
    QVERIFY2(last.contains(grouped + ",-"), qPrintable(grouped + " | " + last.right(300)));
    // The title with the page numbers is on the first page.
    QVERIFY2(pages.first().contains(QString("1 z %1").arg(pages.size())),
             qPrintable(pages.first().left(300)));
}

QTEST_MAIN(TestOverview)
#include "tst_overview.moc"
