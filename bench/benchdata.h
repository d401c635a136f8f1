#pragma once

#include "core/clock.h"
#include "core/prompt.h"
#include "db/database.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <cstdio>

// Builds (once, cached in the temporary folder) a program database with `receipts` receipts:
// 300 of them in the current month of the benchmark clock (11 December 2026), the rest spread
// over the earlier years, each registered and numbered yy0001.. per year.
inline QString benchDatabase(int receipts)
{
    const QString dir = QDir::tempPath() + QStringLiteral("/vornix-bench-%1").arg(receipts);
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/eetlite.db3");
    const QString conn = QStringLiteral("bench-build");
    {
        QSqlDatabase db = db::open(file, conn);
        db::prepare(db);
        const qlonglong have =
            db::scalar(db, QStringLiteral("select count(*) from eet where celk_trzba <> 0")).toLongLong();
        if (have != receipts) {
            std::fprintf(stderr, "building benchmark database of %d receipts in %s\n", receipts,
                         qPrintable(dir));
            db::exec(db, QStringLiteral("delete from eet"));
            db::Transaction t(db);
            QSqlQuery q(db);
            q.prepare(QStringLiteral(
                "insert into eet (idkasa, uuid_zpravy, dat_odesl, uctenka_cislo, jmeno, ucelplatby, oddata, "
                "dodata, "
                "dat_trzby, celk_trzba, pkp, bkp, fik, dat_prijeti, dph, zaklad_dph, suma_dph) "
                "values ('K1', ?, ?, ?, ?, 'Ubytování', ?, ?, ?, ?, 'pkp', 'bkp', ?, ?, 0, 0, 0)"));
            const int recent = std::min(300, receipts);
            const int older = receipts - recent;
            const QDateTime end(QDate(2026, 11, 30), QTime(18, 0));
            const QDateTime start(QDate(2016, 1, 1), QTime(8, 0));
            const qint64 span = start.secsTo(end);
            QMap<int, int> perYear;
            for (int i = 0; i < receipts; ++i) {
                QDateTime t2 =
                    i < older ? start.addSecs(older > 1 ? span * i / (older - 1) : 0)
                              : QDateTime(QDate(2026, 12, 1), QTime(8, 0)).addSecs(qint64(i - older) * 2400);
                const int yy = t2.date().year() % 100;
                const int seq = ++perYear[yy];
                const QString number =
                    QStringLiteral("%1%2").arg(yy, 2, 10, QLatin1Char('0')).arg(seq, 4, 10, QLatin1Char('0'));
                const QString when = t2.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                q.addBindValue(QStringLiteral("uuid-%1").arg(i));
                q.addBindValue(when);
                q.addBindValue(number);
                q.addBindValue(QStringLiteral("Host %1").arg(i % 5000));
                q.addBindValue(t2.date().toString(QStringLiteral("yyyy-MM-dd")));
                q.addBindValue(t2.date().addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
                q.addBindValue(when);
                q.addBindValue(100 + i % 4000);
                q.addBindValue(QStringLiteral("fik-%1").arg(i));
                q.addBindValue(when);
                q.exec();
            }
            t.commit();
            db::exec(db, QStringLiteral("ANALYZE"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return file;
}

// The benchmarks' clock stands on 11 December 2026, 10:00; their prompt answers every question
// with its first button.
class BenchClock : public Clock
{
  public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 11), QTime(10, 0)); }
};

class BenchPrompt : public Prompt
{
  public:
    int show(const QString&, PromptIcon, const QStringList&) override { return 1; }
};

// main() of a benchmark program that needs a Qt application object.
#define VORNIX_BENCHMARK_MAIN()                                                                              \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        QCoreApplication app(argc, argv);                                                                    \
        benchmark::Initialize(&argc, argv);                                                                  \
        benchmark::RunSpecifiedBenchmarks();                                                                 \
        benchmark::Shutdown();                                                                               \
        return 0;                                                                                            \
    }
