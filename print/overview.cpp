#include "print/overview.h"

#include "core/error.h"
#include "core/paths.h"
#include "core/textconv.h"
#include "core/till.h"
#include "db/database.h"
#include "print/printerchoice.h"
#include "print/report.h"
#include "print/reportoutput.h"
#include "settings/settingsrow.h"

#include <QSqlQuery>

QString overviewSql(const QString& listDateCondition)
{
    return QStringList{
        QStringLiteral(
            "create temporary table tt as select *, substr(oddata,9,2) || \".\" || substr(oddata,6,2) || "
            "\".\" || substr(oddata,1,4) as prodd, substr(dodata,9,2) || \".\""),
        QStringLiteral(
            "|| substr(dodata,6,2) || \".\" || substr(dodata,1,4) as prdod, substr(dat_trzby,9,2) || \".\" "
            "|| substr(dat_trzby,6,2) || \".\""),
        QStringLiteral("|| substr(dat_trzby,1,4) || \" \" || substr(dat_trzby,12,8) as updatt,"),
        QStringLiteral("substr(dat_prijeti ,9,2) || \".\" || substr(dat_prijeti,6,2) || \".\" || "
                       "substr(dat_prijeti,1,4) || \" \" || substr(dat_prijeti,12,8) as updatp,"),
        QStringLiteral(
            "substr(dat_odesl ,9,2) || \".\" || substr(dat_odesl,6,2) || \".\" || substr(dat_odesl,1,4) "
            "|| \" \" || substr(dat_odesl,12,8) as updato"),
        QStringLiteral("from eet where"),
        listDateCondition,
        QStringLiteral("dat_odesl NOTNULL order by uctenka_cislo")}
        .join(QLatin1Char('\n'));
}

QString overviewDate(const QDate& d)
{
    return QStringLiteral("%1. %2. %3").arg(d.day()).arg(d.month()).arg(d.year());
}

bool seznamUctenek(Till& till, Report& report, ReportOutput& output, const QString& listDateCondition,
                   const QDate& from, const QDate& to)
{
    QSqlDatabase& db = till.db();
    // tt lives on the connection; a failed overview must not keep it, or the next one fails.
    struct DropTt {
        QSqlDatabase& db;
        ~DropTt()
        {
            QSqlQuery q(db);
            q.exec(QStringLiteral("drop table if exists tt"));
        }
    } dropTt{db};
    db::exec(db, QStringLiteral("drop table if exists tt"));
    db::exec(db, overviewSql(listDateCondition));
    QSqlQuery rows = db::exec(db, QStringLiteral("select * from tt"));
    const Dataset data = Dataset::fromQuery(rows);
    rows.finish();

    const bool vatPayer = till.session.nast_platce_dph == QLatin1String("A");
    const QString name = vatPayer ? QStringLiteral("seznam_dph.vxr") : QStringLiteral("seznam.vxr");
    report.clear();
    if (!report.loadFromFile(programFile(name))) {
        till.prompt().message(
            QStringLiteral("Šablona přehledu „%1“ ve složce programu chybí.").arg(programFile(name)));
        return false;
    }
    if (!vatPayer)
        report.registerFunction(QStringLiteral("Zutf"),
                                [](const QVariantList& args) { return QVariant(zutf(args.value(0))); });
    report.setDataset(QStringLiteral("frxDBDataset2"), data);
    report.setVariable(QStringLiteral("firma"), readSettings(db).text(QStringLiteral("uzivatel")));
    report.setVariable(QStringLiteral("oddt"), overviewDate(from));
    report.setVariable(QStringLiteral("dodt"), overviewDate(to));
    const int index = readPrinterIndex(overviewPrinterKey);
    if (index >= 0) {
        const QString printer = printerForIndex(index, output.printerNames());
        if (!printer.isEmpty())
            report.setPrinterName(printer);
    }
    if (till.session.rezim_navrhu) {
        output.design(report);
    } else {
        report.prepare();
        output.showWindow(report, 1.0);
    }
    return true;
}
