// Start-up of the till on databases of different sizes: connect, upgrade check, settings,
// receipt list of the current month, VAT rate box, working row, current receipt. No window
// is painted.
#include "bench/benchdata.h"
#include "core/receiptlist.h"
#include "core/till.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <benchmark/benchmark.h>

namespace
{

void BM_StartUp(benchmark::State& state)
{
    const QString file = benchDatabase(static_cast<int>(state.range(0)));
    BenchClock clock;
    BenchPrompt prompt;
    int listed = 0;
    for (auto _ : state) {
        {
            QSqlDatabase db = db::open(file, QStringLiteral("bench"));
            Till till(db, prompt, clock);
            till.showSteps();
            ReceiptListModel list(db);
            list.open(till.listSql());
            listed = list.rowCount();
            benchmark::DoNotOptimize(till.session.aktualni_id);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    }
    state.counters["listed"] = listed;
}

} // namespace

BENCHMARK(BM_StartUp)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

VORNIX_BENCHMARK_MAIN()
