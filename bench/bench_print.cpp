// Preparing and rendering one receipt preview: tiskuct in pane-preview mode (eet_tu rebuild,
// template load, prepare) and painting the page as the preview pane does.
#include "core/clock.h"
#include "core/prompt.h"
#include "core/till.h"
#include "db/database.h"
#include "print/receiptprint.h"
#include "print/report.h"
#include "print/reportoutput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

struct QuietPrompt : Prompt {
    int show(const QString&, PromptIcon, const QStringList&) override { return 1; }
};
struct StillClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2024, 3, 5), QTime(10, 0)); }
};
struct PaintingOutput : ReportOutput {
    QImage image{340, 900, QImage::Format_ARGB32_Premultiplied};
    QStringList printerNames() override { return {}; }
    void showInPane(Report& r, double zoom) override
    {
        QPainter p(&image);
        Report::paintPage(p, r.pages().first(), zoom);
    }
    void showWindow(Report&, double) override {}
    void printWithDialog(Report&) override {}
    void printDirect(Report&) override {}
    void design(Report&) override {}
};

// The default templates in the source tree, beside this folder.
QString templatesDir()
{
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../templates"));
}

void copyTemplates(const QString& to)
{
    const QDir from(templatesDir());
    for (const QString& f : from.entryList({QStringLiteral("*.vxr")}))
        QFile::copy(from.filePath(f), to + QLatin1Char('/') + f);
}

void receiptPreview(benchmark::State& state, bool itemised, const char* uctenkova)
{
    QTemporaryDir dir;
    qputenv("VORNIX_HOME", dir.path().toLocal8Bit());
    copyTemplates(dir.path());
    QSqlDatabase db = db::open(dir.filePath(QStringLiteral("eetlite.db3")), QStringLiteral("bench"));
    db::prepare(db);
    db::exec(db,
             QStringLiteral("update eet_nast set zahlavi = ?, zapati = ?, uctenkova = ?, idprovoz = '11'"),
             {QStringLiteral("Penzion U Lípy\r\nHlavní 1, Brno\r\nIČ 12345678"), QStringLiteral("Děkujeme"),
              QString::fromLatin1(uctenkova)});
    db::exec(db, QStringLiteral(
                     "insert into eet (idkasa, uctenka_cislo, jmeno, ucelplatby, dat_trzby, celk_trzba, "
                     "zakl_dan1, dan1, pkp, bkp, fik, dat_odesl, dat_prijeti) values ('K1', '240001', "
                     "'Jan Novák', 'Ubytování', '2024-03-05 10:11:12', 1500, 1239.67, 260.33, 'PKP', "
                     "'BKP', 'b3a09b52-7c87-4014-a496-4c7a53cf9125-ff', '2024-03-05 10:11:13', "
                     "'2024-03-05 10:11:14')"));
    for (int i = 0; itemised && i < 5; ++i)
        db::exec(db,
                 QStringLiteral("insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values "
                                "('240001', ?, 300, 1, 300)"),
                 {QStringLiteral("Položka %1").arg(i)});
    QuietPrompt prompt;
    StillClock clock;
    {
        Till till(db, prompt, clock);
        till.session.nast_rozpis = itemised ? QStringLiteral("A") : QStringLiteral("N");
        till.session.aktualni_id = db::scalar(db, QStringLiteral("select max(id) from eet")).toString();
        till.current.open(till.session.aktualni_id);
        Report report;
        PaintingOutput out;
        for (auto _ : state) {
            tiskuct(till, report, 1, out);
            benchmark::DoNotOptimize(out.image.constBits());
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

void BM_ReceiptPreviewRoll(benchmark::State& s)
{
    receiptPreview(s, false, "A");
}
void BM_ReceiptPreviewRollItemised(benchmark::State& s)
{
    receiptPreview(s, true, "A");
}
void BM_ReceiptPreviewA4(benchmark::State& s)
{
    receiptPreview(s, false, "N");
}

// The engine alone: prepare and paint, no database.
void BM_PrepareAndPaintOnly(benchmark::State& state)
{
    Report r;
    QFile f(templatesDir() + QStringLiteral("/uctenka.vxr"));
    f.open(QIODevice::ReadOnly);
    r.loadFromText(QString::fromUtf8(f.readAll()));
    Dataset d;
    d.columns = {QStringLiteral("uctenka_cislo"), QStringLiteral("celk_trzba"), QStringLiteral("fik")};
    d.rows << QVariantList{QStringLiteral("240001"), 1500, QStringLiteral("b3a09b52")};
    r.setDataset(QStringLiteral("frxDBDataset1"), d);
    QImage image(340, 900, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        r.prepare();
        QPainter p(&image);
        Report::paintPage(p, r.pages().first(), 1.0);
    }
}

} // namespace

BENCHMARK(BM_ReceiptPreviewRoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceiptPreviewRollItemised)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceiptPreviewA4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareAndPaintOnly)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
