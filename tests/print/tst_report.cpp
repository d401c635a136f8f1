#include "print/report.h"

#include <QTextDocument>
#include <QtTest>

namespace
{

QString text(const Report& r)
{
    QString out;
    for (const PreparedPage& p : r.pages())
        for (const PreparedItem& i : p.items) {
            QTextDocument d;
            d.setHtml(i.html);
            for (const QString& l : d.toPlainText().split(QLatin1Char('\n')))
                out += l.trimmed() + QLatin1Char('\n');
        }
    return out;
}

Dataset rows(int n)
{
    Dataset d;
    d.columns = {"uctenka_cislo", "celk_trzba", "jmeno", "dat_trzby", "skupina"};
    for (int i = 1; i <= n; ++i)
        d.rows << QVariantList{QString("24%1").arg(i, 4, 10, QChar('0')), i * 100, QString("Host %1").arg(i),
                               "2024-03-05 10:11:12", i <= 2 ? 0 : 1};
    return d;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT
  private slots:
    void expressions_data();
    void expressions();
    void valuesAreNotTemplateSource();
    void unknownNamesWarn();
    void conditions_data();
    void conditions();
    void groupsAndAggregates();
    void pageNumbersOverSeveralPages();
    void rollPageGrowsWithContent();
    void objectsByName();
    void clearKeepsPreparedPages();
    void missingFile();
    void emptyDatasetPrintsNoDataBand();
    void overviewTemplates_data();
    void overviewTemplates();
};

void TestReport::expressions_data()
{
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("expected");
    QTest::newRow("variable") << "[firma]"
                              << "Penzion";
    QTest::newRow("field") << "[ds.\"uctenka_cislo\"]"
                           << "240001";
    QTest::newRow("bracketed field") << "[<ds.\"celk_trzba\">],- Kč"
                                     << "100,- Kč";
    QTest::newRow("number format grouping") << "[12345.5|n:### ###]"
                                            << "12 346";
    QTest::newRow("number format decimals") << "[ds.\"celk_trzba\"|n:###0.00]"
                                            << "100,00";
    QTest::newRow("negative") << "[-1234.5|n:# ##0.00]"
                              << "-1 234,50";
    QTest::newRow("date format") << "[ds.\"dat_trzby\"|d:dd.MM.yyyy]"
                                 << "05.03.2024";
    QTest::newRow("date-time format") << "[ds.\"dat_trzby\"|d:d. M. yyyy hh:mm]"
                                      << "5. 3. 2024 10:11";
    QTest::newRow("DATE") << "[DATE]"
                          << "01.11.2016";
    QTest::newRow("DATE year") << "[DATE|d:yyyy]"
                               << "2016";
    QTest::newRow("function") << "[Upper(<ds.\"jmeno\">)]"
                              << "HOST 1";
    QTest::newRow("literal and concatenation") << "[ 'a''b' + firma ]"
                                               << "a'bPenzion";
    QTest::newRow("escaped brackets") << "[[x]]"
                                      << "[x]";
    QTest::newRow("sum over all") << "[SUM(<ds.\"celk_trzba\">)|n:# ##0]"
                                  << "600";
    QTest::newRow("count") << "[COUNT(MasterData1,)]"
                           << "3";
}

void TestReport::expressions()
{
    QFETCH(QString, band);
    QFETCH(QString, expected);
    Report r;
    r.loadFromText("#band title\n<p>" + band + "</p>\n#band data ds MasterData1\n");
    r.setVariable("firma", "Penzion");
    r.setDataset("ds", rows(3));
    r.registerFunction("Upper",
                       [](const QVariantList& a) { return QVariant(a.value(0).toString().toUpper()); });
    r.setNow(QDateTime(QDate(2016, 11, 1), QTime(8, 0)));
    r.prepare();
    QCOMPARE(text(r).trimmed(), expected);
    // Thousands are grouped with a no-break space, so an amount never wraps.
    if (QByteArray(QTest::currentDataTag()) == "number format grouping")
        QVERIFY(r.pages().first().items.first().html.contains(QChar(0xA0)));
    QVERIFY2(r.warnings().isEmpty(), qPrintable(r.warnings().join("; ")));
}

void TestReport::valuesAreNotTemplateSource()
{
    Report r;
    r.loadFromText("#band title\n<p>[a]|[b]|[ds.\"jmeno\"]</p>\n#band data ds\n");
    r.setVariable("a", "<b>x</b> [b] 'q' \"d\" &amp; <vxpage/>");
    r.setVariable("b", "[PAGE#] [[");
    Dataset d = rows(1);
    d.rows[0][2] = "<img src=\"x\">[a]";
    r.setDataset("ds", d);
    r.prepare();
    QCOMPARE(text(r).trimmed(),
             QString("<b>x</b> [b] 'q' \"d\" &amp; <vxpage/>|[PAGE#] [[|<img src=\"x\">[a]"));
}

void TestReport::unknownNamesWarn()
{
    Report r;
    r.loadFromText("#band title\n[nic] [ds.\"x\"] [Foo(1)]\n#band data ds\n");
    r.setDataset("ds", rows(1));
    r.prepare();
    QCOMPARE(r.warnings().size(), 3);
    QCOMPARE(text(r).trimmed(), QString());
}

void TestReport::conditions_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("shown");
    QTest::newRow("equal text") << "od_do == 'A'" << true;
    QTest::newRow("not equal text") << "od_do != 'A'" << false;
    QTest::newRow("bare non-empty") << "od_do" << true;
    QTest::newRow("bare empty") << "prazdna" << false;
    QTest::newRow("bare zero") << "nula" << false;
    QTest::newRow("numeric compare") << "<ds.\"celk_trzba\"> > 50" << true;
    QTest::newRow("numeric equal 100 == 100.0") << "ds.\"celk_trzba\" == 100.0" << true;
    QTest::newRow("fields differ") << "ds.\"jmeno\" != ds.\"uctenka_cislo\"" << true;
    QTest::newRow("sum of nulls") << "prazdna + prazdna" << false;
}

void TestReport::conditions()
{
    QFETCH(QString, condition);
    QFETCH(bool, shown);
    Report r;
    r.loadFromText("#band data ds\n#if " + condition + "\nANO\n#else\nNE\n#endif\n");
    r.setVariable("od_do", "A");
    r.setVariable("prazdna", "");
    r.setVariable("nula", 0);
    r.setDataset("ds", rows(1));
    r.prepare();
    QCOMPARE(text(r).trimmed(), shown ? QString("ANO") : QString("NE"));
}

void TestReport::groupsAndAggregates()
{
    Report r;
    r.loadFromText("#band groupheader ds.\"skupina\"\n<p>G[ds.\"skupina\"]:</p>\n"
                   "#band data ds Radky\n<p>[LINE#]. [ds.\"uctenka_cislo\"]</p>\n"
                   "#band groupfooter\n<p>sum [SUM(<ds.\"celk_trzba\">)] count [COUNT(Radky)]</p>\n"
                   "#band summary\n<p>total [SUM(<ds.\"celk_trzba\">)]</p>\n");
    r.setDataset("ds", rows(3));
    r.prepare();
    QCOMPARE(text(r).split('\n', Qt::SkipEmptyParts),
             (QStringList{"G0:", "1. 240001", "2. 240002", "sum 300 count 2", "G1:", "1. 240003",
                          "sum 300 count 1", "total 600"}));
}

void TestReport::pageNumbersOverSeveralPages()
{
    Report r;
    r.loadFromText("#page A4 portrait margins 10 10 10 10\n#band pageheader\n<p>[PAGE#] z [TOTALPAGES#]</p>\n"
                   "#band data ds\n<p style=\"font-size:20pt\">[ds.\"uctenka_cislo\"]</p>\n"
                   "#band pagefooter\n<p>strana [PAGE#]</p>\n");
    r.setDataset("ds", rows(80));
    r.prepare();
    QVERIFY(r.pageCount() >= 3);
    const int n = r.pageCount();
    const double contentPx = (297 - 20) / 25.4 * Report::layoutDpi;
    int dataRows = 0;
    for (int i = 0; i < n; ++i) {
        const PreparedPage& p = r.pages()[i];
        QTextDocument d;
        d.setHtml(p.items.first().html);
        QCOMPARE(d.toPlainText().trimmed(), QString("%1 z %2").arg(i + 1).arg(n));
        d.setHtml(p.items.last().html);
        QCOMPARE(d.toPlainText().trimmed(), QString("strana %1").arg(i + 1));
        for (const PreparedItem& it : p.items)
            QVERIFY(it.y + it.height <= contentPx + 0.5);
        dataRows += int(p.items.size()) - 2;
    }
    QCOMPARE(dataRows, 80);
}

void TestReport::rollPageGrowsWithContent()
{
    Report r;
    r.loadFromText("#page roll 80 margins 4 4 4 4\n#band data ds\n<p>[ds.\"jmeno\"]</p>\n");
    r.setDataset("ds", rows(5));
    r.prepare();
    const double short5 = r.pages().first().sizeMm.height();
    r.setDataset("ds", rows(120));
    r.prepare();
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(r.pages().first().sizeMm.width(), 80.0);
    QVERIFY(r.pages().first().sizeMm.height() > short5 * 3);
    r.setA4();
    r.prepare();
    QVERIFY(r.pageCount() >= 2);
    QCOMPARE(r.pages().first().sizeMm, QSizeF(210, 297));
}

void TestReport::objectsByName()
{
    Report r;
    r.loadFromText("#band data ds\n<memo name=\"Memo14\" align=\"center\">[ds.\"jmeno\"]</memo>\n"
                   "<p>dole</p>\n<line name=\"Line1\" visible=\"false\" color=\"#c0c0c0\"/>\n");
    r.setDataset("ds", rows(1));
    QVERIFY(r.findObject("Memo14"));
    QVERIFY(r.findObject("Line1"));
    QVERIFY(!r.findObject("Memo15"));
    QCOMPARE(r.findObject("Line1")->visible, false);
    r.prepare();
    QVERIFY(!r.pages().first().items.first().html.contains("c0c0c0"));
    QCOMPARE(text(r).trimmed().split('\n').first(), QString("Host 1"));
    r.findObject("Memo14")->text = "FIK:[ds.\"uctenka_cislo\"]";
    r.findObject("Line1")->visible = true;
    r.prepare();
    QCOMPARE(text(r).trimmed().split('\n').first(), QString("FIK:240001"));
    QVERIFY(r.pages().first().items.first().html.contains("c0c0c0"));
    r.findObject("Memo14")->visible = false;
    r.prepare();
    QCOMPARE(text(r).trimmed().split('\n').first(), QString("dole"));
}

void TestReport::clearKeepsPreparedPages()
{
    Report r;
    r.loadFromText("#band title\nA\n");
    r.setVariable("x", 1);
    r.prepare();
    QCOMPARE(r.pageCount(), 1);
    r.clear();
    QCOMPARE(r.pageCount(), 1);
    QVERIFY(!r.hasVariable("x"));
    QVERIFY(!r.isLoaded());
}

void TestReport::missingFile()
{
    Report r;
    QVERIFY(!r.loadFromFile("/nonexistent/uctenka.vxr"));
    QVERIFY(!r.isLoaded());
    r.prepare();
    QCOMPARE(r.pageCount(), 0);
}

void TestReport::emptyDatasetPrintsNoDataBand()
{
    Report r;
    r.loadFromText("#band title\nT\n#band data ds\nD\n#band summary\nS [COUNT(MasterData1)]\n");
    r.setDataset("ds", Dataset{{"a"}, {}});
    r.prepare();
    QCOMPARE(text(r).split('\n', Qt::SkipEmptyParts), (QStringList{"T", "S 0"}));
}

void TestReport::overviewTemplates_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("seznam") << "seznam.vxr";
    QTest::newRow("seznam_dph") << "seznam_dph.vxr";
}

void TestReport::overviewTemplates()
{
    QFETCH(QString, file);
    Report r;
    QVERIFY(r.loadFromFile(QString(VORNIX_TEMPLATES_DIR) + "/" + file));
    Dataset d;
    d.columns = {"uctenka_cislo", "celk_trzba", "updatt", "updato", "updatp",     "fik",
                 "jmeno",         "oddata",     "dodata", "dan1",   "dan2_sniz1", "dan3_sniz2"};
    for (int i = 1; i <= 150; ++i)
        d.rows << QVariantList{QString::number(240000 + i),
                               i == 3 ? -1000 : 1000,
                               "05.03.2024 10:11:12",
                               "x",
                               "y",
                               "fik-" + QString::number(i),
                               QString("Host <%1>").arg(i),
                               "2024-03-01",
                               i == 1 ? "2024-03-05" : "2024-03-01",
                               100.0,
                               0.0,
                               0.0};
    r.setDataset("frxDBDataset2", d);
    r.setVariable("firma", "Penzion U Lípy");
    r.setVariable("oddt", "1. 3. 2024");
    r.setVariable("dodt", "31. 3. 2024");
    r.registerFunction("Zutf", [](const QVariantList& a) { return QVariant(a.value(0).toString()); });
    r.prepare();
    QVERIFY2(r.warnings().isEmpty(), qPrintable(r.warnings().join("; ")));
    QVERIFY(r.pageCount() >= 3);
    const QString t = text(r);
    QVERIFY(t.contains("SEZNAM VYDANÝCH ÚČTENEK 1. 3. 2024 - 31. 3. 2024"));
    QVERIFY(t.contains(QString("1 z %1").arg(r.pageCount())));
    QVERIFY(t.contains("Host <1>, ubytován: 2024-03-01 - 2024-03-05"));
    QVERIFY(!t.contains("Host <2>, ubytován"));
    QVERIFY(t.contains("-1 000,-"));
    QVERIFY2(t.contains("Celkem účtenek: 150, Celkem Kč: 148 000,-"), qPrintable(t.right(200)));
    // Column captions head every page.
    QCOMPARE(t.count("odesláno"), r.pageCount());
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
