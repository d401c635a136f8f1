#include "print/printerchoice.h"
#include "print/receiptprint.h"
#include "printfixture.h"

#include <QSettings>
#include <QtTest>

class TestTiskuct : public QObject
{
    Q_OBJECT
  private slots:
    void templateChoice_data();
    void templateChoice();
    void eetTuColumnsAreNamedBySqlite();
    void copies_data();
    void copies();
    void zeroLinesAreLeftOut();
    void memo14_data();
    void memo14();
    void dodat_data();
    void dodat();
    void headerLines_data();
    void headerLines();
    void headerVariables();
    void missingTemplate();
    void hostileTextsPrintVerbatim();
    void modes_data();
    void modes();
    void dialogPrintKeepsPreparedPages();
    void designModeOpensDesignerOnly();
    void printerFromIni_data();
    void printerFromIni();
    void tiskRefusesUnsentReceipt();
    void itemTextsAreDecoded();
};

void TestTiskuct::templateChoice_data()
{
    QTest::addColumn<QString>("uctenkova");
    QTest::addColumn<QString>("rozpis");
    QTest::addColumn<bool>("lines");
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("zoom");
    QTest::newRow("roll plain") << "A"
                                << "N" << false << "uctenka.vxr" << 1.0;
    QTest::newRow("roll itemised") << "A"
                                   << "A" << true << "uctenka_rozpis.vxr" << 1.0;
    QTest::newRow("roll, breakdown on, no lines") << "A"
                                                  << "A" << false << "uctenka.vxr" << 1.0;
    QTest::newRow("roll, breakdown off, lines") << "A"
                                                << "N" << true << "uctenka.vxr" << 1.0;
    QTest::newRow("a4 plain") << "N"
                              << "N" << false << "uctenka_a4.vxr" << 0.38;
    QTest::newRow("a4 itemised") << "N"
                                 << "A" << true << "uctenka_a4_rozpis.vxr" << 0.38;
    QTest::newRow("other value is a4") << "X"
                                       << "A" << true << "uctenka_a4_rozpis.vxr" << 0.38;
}

void TestTiskuct::templateChoice()
{
    QFETCH(QString, uctenkova);
    QFETCH(QString, rozpis);
    QFETCH(bool, lines);
    QFETCH(QString, file);
    QFETCH(double, zoom);
    PrintFixture f;
    f.settings({{"uctenkova", uctenkova}});
    f.till->session.nast_rozpis = rozpis;
    f.receipt("240001");
    if (lines)
        f.line("240001", "Nocleh", 500, 3);
    Report r;
    RecordingOutput out;
    const PrintOutcome o = tiskuct(*f.till, r, 1, out);
    QVERIFY(o.done);
    QCOMPARE(o.templateFile, file);
    QCOMPARE(QFileInfo(r.fileName()).fileName(), file);
    QCOMPARE(out.calls, QStringList{"pane"});
    QCOMPARE(out.paneZoom, zoom);
    QCOMPARE(f.till->session.nast_uctenkova, uctenkova);
    QCOMPARE(r.pageCount(), 1);
    if (uctenkova == "A") {
        QCOMPARE(r.pages().first().sizeMm.width(), 80.0);
    } else {
        QCOMPARE(r.pages().first().sizeMm, QSizeF(210, 297));
    }
    QCOMPARE(r.hasVariable("radek"), rozpis == "A" && lines);
}

void TestTiskuct::eetTuColumnsAreNamedBySqlite()
{
    PrintFixture f;
    f.till->session.nast_rozpis = "A";
    f.receipt("240001");
    f.line("240001", "Nocleh", 500, 3);
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    QStringList names;
    QSqlQuery q = db::exec(f.db, "pragma table_info(eet_tu)");
    while (q.next())
        names << q.value(1).toString();
    QVERIFY(names.contains("id:1"));
    QVERIFY(names.contains("uctenka_cislo:1"));
    QCOMPARE(names.first(), QString("id"));
    QCOMPARE(names.last(), QString("suma"));
    // eet_tu is an ordinary table, left in place after the print.
    QCOMPARE(db::scalar(f.db, "select type from sqlite_master where name = 'eet_tu'").toString(),
             QString("table"));
}

void TestTiskuct::copies_data()
{
    QTest::addColumn<QString>("uctenkova");
    QTest::addColumn<bool>("itemised");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("pocet");
    QTest::addColumn<int>("copies");
    QTest::newRow("a4 plain sent 3") << "N" << false << "registered" << 3 << 3;
    QTest::newRow("a4 plain sent 1") << "N" << false << "registered" << 1 << 1;
    QTest::newRow("a4 plain sent 0") << "N" << false << "registered" << 0 << 1;
    QTest::newRow("a4 plain failed 3 (pkp set)") << "N" << false << "failed" << 3 << 3;
    QTest::newRow("a4 plain unsent 3") << "N" << false << "new" << 3 << 1;
    QTest::newRow("roll plain sent 3") << "A" << false << "registered" << 3 << 1;
    QTest::newRow("a4 itemised sent 3") << "N" << true << "registered" << 3 << 3;
    QTest::newRow("a4 itemised sent 1") << "N" << true << "registered" << 1 << 1;
    QTest::newRow("a4 itemised unsent 3") << "N" << true << "new" << 3 << 1;
    QTest::newRow("roll itemised sent 3") << "A" << true << "registered" << 3 << 1;
}

void TestTiskuct::copies()
{
    QFETCH(QString, uctenkova);
    QFETCH(bool, itemised);
    QFETCH(QString, state);
    QFETCH(int, pocet);
    QFETCH(int, copies);
    PrintFixture f;
    f.settings({{"uctenkova", uctenkova}, {"pocet_tisku", pocet}});
    f.till->session.nast_rozpis = itemised ? "A" : "N";
    f.receipt("240001", state);
    if (itemised) {
        f.line("240001", "Nocleh", 500, 2);
        f.line("240001", "Snídaně", 250, 2);
    }
    Report r;
    RecordingOutput out;
    const PrintOutcome o = tiskuct(*f.till, r, 1, out);
    QCOMPARE(o.copies, copies);
    const int linesPerCopy = itemised ? 2 : 1;
    QCOMPARE(db::scalar(f.db, "select count(*) from eet_tu").toInt(), copies * linesPerCopy);
    if (itemised) {
        QCOMPARE(r.variable("radek").toInt(), 2);
        for (int k = 0; k < copies; ++k)
            QCOMPARE(db::scalar(f.db, "select count(*) from eet_tu where \"id:1\" = ?", {k}).toInt(), 2);
        QCOMPARE(db::scalar(f.db, "select max(\"id:1\") from eet_tu").toInt(), copies - 1);
        // Every copy is printed: the receipt number appears once per copy.
        QCOMPARE(pagesText(r).count("Účtenka 240001"), copies);
    } else {
        ReportObject* line = r.findObject("Line1");
        if (uctenkova == "N" || line) {
            QVERIFY(line);
            QCOMPARE(line->visible, copies > 1);
        }
        QCOMPARE(pagesText(r).count("Účtenka 240001"), copies);
    }
}

void TestTiskuct::zeroLinesAreLeftOut()
{
    PrintFixture f;
    f.till->session.nast_rozpis = "A";
    f.receipt("240001");
    f.line("240001", "Nocleh", 500, 2);
    f.line("240001", "Zdarma", 0, 1);
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    QCOMPARE(r.variable("radek").toInt(), 1);
    QVERIFY(!pagesText(r).contains("Zdarma"));
    QVERIFY(pagesText(r).contains("Nocleh"));
}

void TestTiskuct::memo14_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("printed");
    QTest::newRow("never sent") << "new"
                                << "[frxDBDataset1.\"pkp\"]"
                                << "";
    QTest::newRow("failed") << "failed"
                            << "PKP:[frxDBDataset1.\"pkp\"]"
                            << "PKP:PKPBASE64VALUE";
    QTest::newRow("registered") << "registered"
                                << "FIK:[frxDBDataset1.\"fik\"]"
                                << "FIK:b3a09b52-7c87-4014-a496-4c7a53cf9125-ff";
}

void TestTiskuct::memo14()
{
    QFETCH(QString, state);
    QFETCH(QString, memo);
    QFETCH(QString, printed);
    for (const char* kind : {"A", "N"}) {
        PrintFixture f;
        f.settings({{"uctenkova", kind}});
        f.receipt("240001", state);
        Report r;
        RecordingOutput out;
        tiskuct(*f.till, r, 1, out);
        QVERIFY(r.findObject("Memo14"));
        QCOMPARE(r.findObject("Memo14")->text, memo);
        const QString text = pagesText(r);
        if (printed.isEmpty()) {
            QVERIFY(!text.contains("FIK:"));
            QVERIFY(!text.contains("PKP:"));
        } else {
            QVERIFY2(text.contains(printed), qPrintable(text));
        }
    }
}

void TestTiskuct::dodat_data()
{
    QTest::addColumn<QVariant>("jedn");
    QTest::addColumn<QString>("expected");
    QTest::newRow("simplified") << QVariant("A") << "11/zjed.rež.";
    QTest::newRow("ordinary") << QVariant("N") << "11/běž.rež.";
    QTest::newRow("null") << QVariant() << "11/běž.rež.";
}

void TestTiskuct::dodat()
{
    QFETCH(QVariant, jedn);
    QFETCH(QString, expected);
    PrintFixture f;
    f.settings({{"jedn_rezim", jedn}});
    f.receipt("240001");
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    QCOMPARE(r.variable("dodat").toString(), expected);
    QVERIFY(pagesText(r).contains(expected));
}

void TestTiskuct::headerLines_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("one line, no break") << QByteArray("Penzion") << QStringList{"Penzion"};
    QTest::newRow("two lines") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
    QTest::newRow("four lines") << QByteArray("1\r\n2\r\n3\r\n4\r\n") << QStringList{"1", "2", "3", "4"};
    QTest::newRow("leading ?") << QByteArray("?Penzion\r\nBrno") << QStringList{"Penzion", "Brno"};
    QTest::newRow("leading BOM") << QByteArray("\xef\xbb\xbfPenzion\r\nBrno")
                                 << QStringList{"Penzion", "Brno"};
    QTest::newRow("czech") << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1\nX") << QStringList{"Příliš", "X"};
    QTest::newRow("empty middle line") << QByteArray("A\r\n\r\nC") << QStringList{"A", "", "C"};
}

void TestTiskuct::headerLines()
{
    QFETCH(QByteArray, stored);
    QFETCH(QStringList, lines);
    QCOMPARE(printedLines(stored), lines);
}

void TestTiskuct::headerVariables()
{
    PrintFixture f;
    f.settings({{"zahlavi", "?Penzion\r\nHlavní 1\r\nBrno\r\nčtvrtý"}, {"zapati", "Děkujeme"}});
    f.receipt("240001");
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    QCOMPARE(r.variable("Zahlavi1").toString(), QString("Penzion"));
    QCOMPARE(r.variable("Zahlavi2").toString(), QString("Hlavní 1"));
    QCOMPARE(r.variable("Zahlavi3").toString(), QString("Brno"));
    QCOMPARE(r.variable("Zapati1").toString(), QString("Děkujeme"));
    QVERIFY(r.hasVariable("Zapati2"));
    QCOMPARE(r.variable("Zapati2").toString(), QString());
    QCOMPARE(r.variable("Zapati3").toString(), QString());
    const QString text = pagesText(r);
    QVERIFY(!text.contains("čtvrtý"));
    QVERIFY(!text.contains("?Penzion"));
    QVERIFY(text.contains("Penzion"));
}

void TestTiskuct::missingTemplate()
{
    PrintFixture f;
    QFile::remove(f.folder.file("uctenka.vxr"));
    f.receipt("240001");
    Report r;
    RecordingOutput out;
    for (int mode = 1; mode <= 4; ++mode) {
        const PrintOutcome o = tiskuct(*f.till, r, mode, out);
        QVERIFY(!o.done);
    }
    QVERIFY(out.calls.isEmpty());
    QCOMPARE(f.prompt.shown.size(), 4);
    QVERIFY(f.prompt.texts().first().contains("uctenka.vxr"));
    QCOMPARE(f.prompt.shown.first().buttons, QStringList{"OK"});
    QCOMPARE(r.pageCount(), 0);
}

void TestTiskuct::hostileTextsPrintVerbatim()
{
    const QString header = "<b>Bold</b> 'quote' \"dq\" [Zapati1] &amp;";
    const QString payer = "O'Brien <i>x</i> [jm] [frxDBDataset1.\"fik\"]";
    const QString purpose = "Pobyt ]] [[ [up] <table>";
    for (const char* kind : {"A", "N"}) {
        PrintFixture f;
        f.settings({{"uctenkova", kind}, {"zahlavi", header}, {"zapati", "Zápatí"}});
        f.receipt("240001", "registered", 1500, payer, purpose);
        Report r;
        RecordingOutput out;
        tiskuct(*f.till, r, 1, out);
        const QString text = pagesText(r);
        QVERIFY2(text.contains(header), qPrintable(text));
        QVERIFY2(text.contains("Přijato od: " + payer), qPrintable(text));
        QVERIFY2(text.contains(purpose), qPrintable(text));
        QVERIFY(r.warnings().isEmpty());
    }
}

void TestTiskuct::modes_data()
{
    QTest::addColumn<QString>("uctenkova");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<double>("paneZoom");
    QTest::newRow("1 roll") << "A" << 1 << QStringList{"pane"} << 1.0;
    QTest::newRow("1 a4") << "N" << 1 << QStringList{"pane"} << 0.38;
    QTest::newRow("2 a4") << "N" << 2 << QStringList{"detach", "window", "pane"} << 0.38;
    QTest::newRow("2 roll") << "A" << 2 << QStringList{"detach", "window", "pane"} << 1.0;
    QTest::newRow("3") << "A" << 3 << QStringList{"dialog", "nahled"} << -1.0;
    QTest::newRow("4") << "A" << 4 << QStringList{"direct"} << -1.0;
}

void TestTiskuct::modes()
{
    QFETCH(QString, uctenkova);
    QFETCH(int, mode);
    QFETCH(QStringList, calls);
    QFETCH(double, paneZoom);
    PrintFixture f;
    f.settings({{"uctenkova", uctenkova}});
    f.receipt("240001");
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, mode, out);
    QCOMPARE(out.calls, calls);
    QCOMPARE(out.paneZoom, paneZoom);
    if (mode == 2)
        QCOMPARE(out.windowZoom, 1.0);
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(r.variable("jm").toString(), QString("Jan Novák"));
    QCOMPARE(r.variable("up").toString(), QString("Ubytování"));
    QVERIFY(f.prompt.shown.isEmpty());
}

void TestTiskuct::dialogPrintKeepsPreparedPages()
{
    PrintFixture f;
    f.settings({{"zahlavi", "Stará hlavička"}});
    f.receipt("240001");
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    f.settings({{"zahlavi", "Nová hlavička"}});
    tiskuct(*f.till, r, 3, out);
    QCOMPARE(out.pagesPrinted, 1);
    QVERIFY(pagesText(r).contains("Stará hlavička"));
    QVERIFY(!pagesText(r).contains("Nová hlavička"));
    // Modes that prepare take the new text.
    tiskuct(*f.till, r, 1, out);
    QVERIFY(pagesText(r).contains("Nová hlavička"));
}

void TestTiskuct::designModeOpensDesignerOnly()
{
    PrintFixture f;
    f.till->session.rezim_navrhu = true;
    f.receipt("240001");
    for (int mode = 1; mode <= 4; ++mode) {
        Report r;
        RecordingOutput out;
        db::exec(f.db, "drop table if exists eet_tu");
        tiskuct(*f.till, r, mode, out);
        QCOMPARE(out.calls, QStringList{"design"});
        QCOMPARE(r.pageCount(), 0);
        QCOMPARE(db::scalar(f.db, "select count(*) from eet_tu").toInt(), 1);
        QVERIFY(r.dataset("frxDBDataset1"));
    }
}

void TestTiskuct::printerFromIni_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("printer");
    QTest::newRow("missing key") << QVariant() << "";
    QTest::newRow("-1") << QVariant("-1") << "";
    QTest::newRow("first") << QVariant("0") << "Epson";
    QTest::newRow("second") << QVariant("1") << "HP A4";
    QTest::newRow("past the end") << QVariant("2") << "";
}

void TestTiskuct::printerFromIni()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, printer);
    PrintFixture f;
    if (stored.isValid())
        writePrinterIndex(receiptPrinterKey, stored.toInt());
    QVERIFY(programIniFile().startsWith(f.folder.path()));
    f.receipt("240001");
    Report r;
    RecordingOutput out;
    out.printers = {"Epson", "HP A4"};
    tiskuct(*f.till, r, 4, out);
    QCOMPARE(out.calls, QStringList{"direct"});
    QCOMPARE(out.printer, printer);
}

void TestTiskuct::tiskRefusesUnsentReceipt()
{
    PrintFixture f;
    f.receipt("240001", "new");
    Report r;
    RecordingOutput out;
    QVERIFY(!tiskButton(*f.till, r, out));
    QCOMPARE(f.prompt.texts(), QStringList{"Chybí odeslání na EET!"});
    QVERIFY(out.calls.isEmpty());

    PrintFixture g;
    g.receipt("240002", "failed");
    QVERIFY(tiskButton(*g.till, r, out));
    QCOMPARE(out.calls, (QStringList{"dialog", "nahled"}));
}

void TestTiskuct::itemTextsAreDecoded()
{
    PrintFixture f;
    f.till->session.nast_rozpis = "A";
    f.receipt("240001");
    f.line("240001", "Přistýlka <b>", 300, 1);
    db::exec(f.db,
             "insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values ('240001', cast(? as text), "
             "1, 1, 1)",
             {QByteArray("bad\xc5")});
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    const QString text = pagesText(r);
    QVERIFY(text.contains("Přistýlka <b>"));
    QVERIFY(text.contains(QString("bad") + QChar(0xFFFD)));
}

QTEST_MAIN(TestTiskuct)
#include "tst_tiskuct.moc"
