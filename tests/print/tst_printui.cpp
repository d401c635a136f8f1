#include "print/receiptprint.h"
#include "print/ui/designer.h"
#include "print/ui/previewwindow.h"
#include "print/ui/printing.h"
#include "print/ui/reportpreview.h"
#include "printfixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QTimer>
#include <QtTest>

class TestPrintUi : public QObject
{
    Q_OBJECT
  private slots:
    void paneShowsPagesAtZoomAndEmitsClicked();
    void directPrintNeverOpensDialog();
    void windowPreviewExportsPdf();
    void designerPreviewsAndSaves();
};

void TestPrintUi::paneShowsPagesAtZoomAndEmitsClicked()
{
    PrintFixture f;
    f.receipt("240001");
    ReportPreview pane;
    pane.setObjectName("frxPreview1");
    pane.resize(334, 492);
    pane.show();
    Report r;
    WidgetReportOutput out(&pane, nullptr);
    QSignalSpy clicked(&pane, &ReportPreview::clicked);
    QVERIFY(tiskuct(*f.till, r, 1, out).done);
    QCOMPARE(pane.pages().size(), 1);
    QCOMPARE(pane.zoom(), 1.0);
    const QSizeF px = Report::pageSizePx(pane.pages().first());
    QVERIFY(pane.widget()->width() >= qFloor(px.width()));
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(clicked.count(), 1);

    f.settings({{"uctenkova", "N"}});
    QVERIFY(tiskuct(*f.till, r, 1, out).done);
    QCOMPARE(pane.zoom(), 0.38);
    QVERIFY(pane.widget()->width() <= 334); // an A4 page fits the pane's width at 38 %
}

void TestPrintUi::directPrintNeverOpensDialog()
{
    PrintFixture f;
    f.receipt("240001");
    Report r;
    WidgetReportOutput out(nullptr, nullptr);
    const QString pdf = f.folder.file("direct.pdf");
    out.configureDirectPrinter = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    };
    bool dialogSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            dialogSeen = true;
            w->close();
        }
    });
    watch.start(20);
    QVERIFY(tiskuct(*f.till, r, 4, out).done);
    watch.stop();
    QVERIFY(!dialogSeen);
    QProcess p;
    p.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains("Účtenka 240001"), qPrintable(text));
    QVERIFY(text.contains("FIK:b3a09b52"));
}

void TestPrintUi::windowPreviewExportsPdf()
{
    PrintFixture f;
    f.settings({{"uctenkova", "N"}});
    f.receipt("240001");
    Report r;
    RecordingOutput rec;
    tiskuct(*f.till, r, 1, rec);
    PreviewWindow w(r.pages(), QString(), 1.0);
    QCOMPARE(w.preview()->zoom(), 1.0);
    QVERIFY(w.findChild<QWidget*>("PrintB"));
    const QString pdf = f.folder.file("okno.pdf");
    QVERIFY(w.exportTo(pdf));
    QVERIFY(fileBytes(pdf).startsWith("%PDF"));
    QVERIFY(!w.exportTo("/nonexistent-dir/x.pdf"));
}

void TestPrintUi::designerPreviewsAndSaves()
{
    PrintFixture f;
    f.till->session.rezim_navrhu = true;
    f.receipt("240001");
    Report r;
    RecordingOutput rec;
    tiskuct(*f.till, r, 1, rec);
    QCOMPARE(rec.calls, QStringList{"design"});
    DesignerDialog d(r);
    QVERIFY(d.editor()->toPlainText().contains("#band data frxDBDataset1"));
    QCOMPARE(d.preview()->pages().size(), 1);
    // The fiscal line the program set survives edits of the source.
    QVERIFY(pagesText(r).contains("FIK:b3a09b52"));
    d.editor()->setPlainText(d.editor()->toPlainText().replace("Přijato od:", "Zaplatil:"));
    d.refresh();
    QVERIFY(pagesText(r).contains("Zaplatil: Jan Novák"));
    QVERIFY(pagesText(r).contains("FIK:b3a09b52"));
    QVERIFY(d.save());
    QVERIFY(QString::fromUtf8(fileBytes(f.folder.file("uctenka.vxr"))).contains("Zaplatil:"));
}

QTEST_MAIN(TestPrintUi)
#include "tst_printui.moc"
