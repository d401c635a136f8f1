// Completion ("náhled": numbering, VAT split, post; no preview paint) and the search dialog's
// rows on databases of 1,000 and 1,000,000 receipts. The search load is set beside the
// sqlite3 command-line tool running the same statement.
#include "bench/benchdata.h"
#include "core/till.h"
#include "receipts/completion.h"
#include "receipts/loading.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <benchmark/benchmark.h>

namespace
{

// A scratch copy of the benchmark database, so the benchmark's own receipts never spoil the cache.
QString scratchCopy(int receipts)
{
    const QString source = benchDatabase(receipts);
    const QString copy = source + QStringLiteral(".scratch");
    QFile::remove(copy);
    QFile::copy(source, copy);
    return copy;
}

void BM_Nahled(benchmark::State& state)
{
    const QString file = scratchCopy(static_cast<int>(state.range(0)));
    BenchClock clock;
    BenchPrompt prompt;
    {
        QSqlDatabase db = db::open(file, QStringLiteral("bench"));
        db::exec(db, QStringLiteral("update eet_nast set platce_dph = 'A'"));
        Till till(db, prompt, clock);
        till.showSteps();
        for (auto _ : state) {
            state.PauseTiming();
            till.novaUctenka();
            till.current.setValue(QStringLiteral("celk_trzba"), 121);
            till.current.setValue(QStringLiteral("ucelplatby"), QStringLiteral("Ubytování"));
            state.ResumeTiming();
            nahled(till, QStringLiteral("121"), QStringLiteral("Ubytování"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    QFile::remove(file);
}

void BM_SearchLoad(benchmark::State& state)
{
    const QString file = benchDatabase(static_cast<int>(state.range(0)));
    {
        QSqlDatabase db = db::open(file, QStringLiteral("bench"));
        size_t rows = 0;
        for (auto _ : state) {
            const auto entries = loadSearchEntries(db);
            rows = static_cast<size_t>(entries.size());
            benchmark::DoNotOptimize(entries.data());
        }
        state.counters["rows"] = static_cast<double>(rows);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// The same statement in the sqlite3 command-line tool, output discarded; process start-up
// is measured separately and taken off.
void BM_SearchSqliteCli(benchmark::State& state)
{
    const QString file = benchDatabase(static_cast<int>(state.range(0)));
    const auto run = [&](const QString& sql) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral("sqlite3"), {file, sql});
        p.waitForFinished(-1);
        return t.nsecsElapsed() / 1e9;
    };
    const double empty = run(QStringLiteral("select 1"));
    for (auto _ : state)
        state.SetIterationTime(std::max(0.0, run(searchSql()) - empty));
}

} // namespace

BENCHMARK(BM_Nahled)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchLoad)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchSqliteCli)->Arg(1000000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

VORNIX_BENCHMARK_MAIN()
