#include "print/receiptprint.h"
#include "printfixture.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

// Receipts rendered to PDF and read back by an independent tool (pdftotext).
class TestPrintPdf : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void receiptPdf_data();
    void receiptPdf();
    void multiPageCopiesPdf();

  private:
    QString pdfText(const QString& file);
};

void TestPrintPdf::initTestCase()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QFAIL("pdftotext (poppler-utils) is required; scripts/install-deps.sh installs it");
}

QString TestPrintPdf::pdfText(const QString& file)
{
    QProcess p;
    p.start("pdftotext", {"-enc", "UTF-8", file, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    // No-break spaces of grouped amounts read as ordinary spaces.
    return QString::fromUtf8(p.readAllStandardOutput()).replace(QChar(0xA0), ' ');
}

void TestPrintPdf::receiptPdf_data()
{
    QTest::addColumn<QString>("uctenkova");
    QTest::addColumn<bool>("itemised");
    QTest::addColumn<QString>("screenshot");
    QTest::newRow("roll plain") << "A" << false << "uctenka";
    QTest::newRow("roll itemised") << "A" << true << "uctenka_rozpis";
    QTest::newRow("a4 plain") << "N" << false << "uctenka_a4";
    QTest::newRow("a4 itemised") << "N" << true << "uctenka_a4_rozpis";
}

void TestPrintPdf::receiptPdf()
{
    QFETCH(QString, uctenkova);
    QFETCH(bool, itemised);
    QFETCH(QString, screenshot);
    PrintFixture f;
    f.settings({{"uctenkova", uctenkova},
                {"zahlavi", "Penzion U Lípy\r\nHlavní 1, 602 00 Brno\r\nDIČ CZ1212121218"},
                {"zapati", "Děkujeme za návštěvu\r\nwww.example.cz"}});
    f.till->session.nast_rozpis = itemised ? "A" : "N";
    f.receipt("240017", "registered", itemised ? 2100 : 1500, "Jan Novák", "Ubytování");
    if (itemised) {
        f.line("240017", "Nocleh", 600, 3);
        f.line("240017", "Snídaně", 150, 2);
    }
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    QCOMPARE(r.pageCount(), 1);
    const QString pdf = f.folder.file("uctenka.pdf");
    QVERIFY(Report::exportPdf(r.pages(), pdf));
    const QString text = pdfText(pdf);
    QVERIFY2(!text.isEmpty(), "pdftotext gave nothing");
    QStringList expected{"Penzion U Lípy",
                         "Hlavní 1, 602 00 Brno",
                         "Účtenka 240017",
                         "11/běž.rež.",
                         "K1",
                         "05.03.2024 10:11:12",
                         "Přijato od: Jan Novák",
                         "Ubytování od: 01.03.2024, do: 05.03.2024",
                         "FIK:b3a09b52-7c87-4014-a496-4c7a53cf9125-ff",
                         "BKP 0A1B2C3D-4E5F6071-8293A4B5-C6D7E8F9-0A1B2C3D",
                         "Děkujeme za návštěvu",
                         "1 239,67",
                         "260,33"};
    if (itemised)
        expected << "Nocleh"
                 << "1 800,00"
                 << "Snídaně"
                 << "300,00"
                 << "Celkem: 2100,- Kč";
    else
        expected << "Celkem: 1500,- Kč";
    for (const QString& e : expected)
        QVERIFY2(text.contains(e), qPrintable(QString("missing \"%1\" in:\n%2").arg(e, text)));

    const QSizeF size = r.pages().first().sizeMm;
    if (uctenkova == "A")
        QCOMPARE(size.width(), 80.0);
    else
        QCOMPARE(size, QSizeF(210, 297));

    // Screenshots of the default templates for the documentation.
    const QString dir = qEnvironmentVariable("VORNIX_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QImage image = Report::pageImage(r.pages().first(), uctenkova == "A" ? 2.0 : 1.0);
        QVERIFY(image.save(dir + "/" + screenshot + ".png"));
    }
}

void TestPrintPdf::multiPageCopiesPdf()
{
    PrintFixture f;
    f.settings({{"uctenkova", "N"}, {"pocet_tisku", 3}});
    f.till->session.nast_rozpis = "A";
    f.receipt("240018");
    for (int i = 1; i <= 12; ++i)
        f.line("240018", QString("Položka %1").arg(i), 10 * i, 1);
    Report r;
    RecordingOutput out;
    tiskuct(*f.till, r, 1, out);
    QVERIFY(r.pageCount() >= 2);
    const QString pdf = f.folder.file("kopie.pdf");
    QVERIFY(Report::exportPdf(r.pages(), pdf));
    const QString text = pdfText(pdf);
    QCOMPARE(text.count("Účtenka 240018"), 3);
    QCOMPARE(text.count("Položka 12"), 3);
    QCOMPARE(text.count(QChar('\f')), r.pageCount());
}

QTEST_MAIN(TestPrintPdf)
#include "tst_printpdf.moc"
