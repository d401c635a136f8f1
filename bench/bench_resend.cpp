// The close-time resend of 1,000 unsent receipts against the local EET test service over
// loopback HTTP: receipts per second, each a full registration (build, sign, send, check the
// signed answer, store).
#include "bench/benchdata.h"
#include "core/busyindicator.h"
#include "core/clock.h"
#include "db/database.h"
#include "eet/registration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

class NoBusy : public BusyIndicator
{
  public:
    void show() override {}
    void posun() override {}
    void close() override {}
};

QString startService(QProcess& p)
{
    // Quiet: nobody reads its per-request log here, and a full pipe would stall it.
    p.start(QStringLiteral(VORNIX_PROGRAM_DIR "/eet-testservice"),
            {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--quiet")});
    p.waitForStarted();
    QByteArray out;
    for (int i = 0; i < 100; ++i) {
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
        for (const QByteArray& line : out.split('\n'))
            if (line.startsWith("url "))
                return QString::fromUtf8(line.mid(4).trimmed());
    }
    return QString();
}

QString demoCert(const QString& dir)
{
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral(VORNIX_SOURCE_DIR "/scripts/make-demo-cert.sh"), dir});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput().trimmed().split('\n').last());
}

void BM_ResendThousand(benchmark::State& state)
{
    QProcess service;
    const QString url = startService(service);
    if (url.isEmpty()) {
        state.SkipWithError("eet-testservice did not start");
        return;
    }
    QTemporaryDir dir;
    const QString cert = demoCert(dir.path());
    Clock clock;
    NoBusy busy;
    int sent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = dir.filePath(QStringLiteral("eetlite.db3"));
        QFile::remove(file);
        {
            QSqlDatabase db = db::open(file, QStringLiteral("bench"));
            db::prepare(db);
            db::exec(db,
                     QStringLiteral("update eet_nast set url = ?, certsoubor = ?, certheslo = 'eet', "
                                    "dic = 'CZ1212121218', idprovoz = '11', idkasa = 'K1', timeout = 5000"),
                     {url, cert});
            db::Transaction t(db);
            for (int i = 1; i <= 1000; ++i)
                db::exec(db,
                         QStringLiteral(
                             "insert into eet (idkasa, celk_trzba, uctenka_cislo, ucelplatby, dat_trzby, "
                             "zakl_dan1, dan1) values ('K1', 121, ?, 'Nocleh', '2026-12-11 10:00:00', "
                             "100, 21)"),
                         {QStringLiteral("26%1").arg(i, 4, 10, QLatin1Char('0'))});
            t.commit();
            state.ResumeTiming();
            sent = resendUnsent(db, clock, busy);
            state.PauseTiming();
            const int fiks =
                db::scalar(db, QStringLiteral("select count(*) from eet where fik NOTNULL")).toInt();
            if (fiks != 1000)
                state.SkipWithError("not every receipt got a FIK");
            db.close();
            state.ResumeTiming();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * sent);
    service.kill();
    service.waitForFinished();
}

} // namespace

BENCHMARK(BM_ResendThousand)->Iterations(1)->Unit(benchmark::kSecond);

VORNIX_BENCHMARK_MAIN()
