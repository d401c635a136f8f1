#include "print/receiptprint.h"

#include "core/error.h"
#include "core/paths.h"
#include "core/textconv.h"
#include "core/till.h"
#include "db/database.h"
#include "print/printerchoice.h"
#include "print/report.h"
#include "print/reportoutput.h"
#include "settings/settingsrow.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{

// The report dataset: eet_tu with the five display columns. Fixed text, no values.
const QString datasetSql = QStringLiteral(
    "select *, substr(oddata,9,2) || \".\" || substr(oddata,6,2) || \".\" || substr(oddata,1,4) as prodd, "
    "substr(dodata,9,2) || \".\"\n"
    "|| substr(dodata,6,2) || \".\" || substr(dodata,1,4) as prdod, substr(dat_trzby,9,2) || \".\" || "
    "substr(dat_trzby,6,2) || \".\"\n"
    "|| substr(dat_trzby,1,4) || \" \" || substr(dat_trzby,12,8) as updatt,\n"
    "substr(dat_prijeti ,9,2) || \".\" || substr(dat_prijeti,6,2) || \".\" || substr(dat_prijeti,1,4) || \" "
    "\" || "
    "substr(dat_prijeti,12,8) as updatp,\n"
    "substr(dat_odesl ,9,2) || \".\" || substr(dat_odesl,6,2) || \".\" || substr(dat_odesl,1,4) || \" \" || "
    "substr(dat_odesl,12,8) as updato from eet_tu");

QByteArray storedBytes(QSqlDatabase& db, const QString& column)
{
    QSqlQuery q = db::exec(db, QStringLiteral("select cast(%1 as blob) from eet_nast").arg(column));
    return q.next() ? q.value(0).toByteArray() : QByteArray();
}

bool isNullValue(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

} // namespace

QString receiptTemplateName(bool receiptPrinter, bool itemised)
{
    QString base = receiptPrinter ? QStringLiteral("uctenka") : QStringLiteral("uctenka_a4");
    if (itemised)
        base += QStringLiteral("_rozpis");
    return base + templateExtension;
}

QList<QByteArray> splitLines(const QByteArray& text)
{
    QList<QByteArray> lines;
    QByteArray cur;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines << cur;
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        cur += c;
    }
    if (!cur.isEmpty())
        lines << cur;
    return lines;
}

QStringList splitLines(const QString& text)
{
    QStringList out;
    for (const QByteArray& l : splitLines(text.toUtf8()))
        out << QString::fromUtf8(l);
    return out;
}

QStringList printedLines(const QByteArray& stored)
{
    QString text = zutf(stored);
    // A byte-order mark that an editor put in front, or the "?" it became in a single-byte
    // code page, is not part of the header.
    if (text.startsWith(QChar(0xFEFF)) || text.startsWith(u'?'))
        text = text.mid(1, 1000);
    return splitLines(text);
}

QString establishmentLabel(const QString& idprovoz, const QString& jednRezim)
{
    return idprovoz +
           (jednRezim == QStringLiteral("A") ? QStringLiteral("/zjed.rež.") : QStringLiteral("/běž.rež."));
}

PrintOutcome tiskuct(Till& till, Report& report, int mode, ReportOutput& out)
{
    PrintOutcome outcome;
    QSqlDatabase& db = till.db();
    Session& s = till.session;
    const qlonglong id = s.aktualni_id.toLongLong();

    // 1. Layout flag and settings.
    QVariant number =
        till.current.isOpen()
            ? till.current.value(QStringLiteral("uctenka_cislo"))
            : db::scalar(db, QStringLiteral("select uctenka_cislo from eet where id = ?"), {id});
    bool itemised = s.nast_rozpis == QStringLiteral("A");
    {
        QSqlQuery q = db::exec(db, QStringLiteral("select * from rozpis where uctenka_cislo = ?"),
                               {isNullValue(number) ? QVariant() : QVariant(number.toString())});
        if (!q.next())
            itemised = false;
    }
    const SettingsRow settings = readSettings(db);
    const QStringList header = printedLines(storedBytes(db, QStringLiteral("zahlavi")));
    const QStringList footer = printedLines(storedBytes(db, QStringLiteral("zapati")));
    const QString uctenkova = settings.text(QStringLiteral("uctenkova"));
    s.nast_uctenkova = uctenkova;
    const int pocetTisku = settings.isNull(QStringLiteral("pocet_tisku"))
                               ? 0
                               : settings.value(QStringLiteral("pocet_tisku")).toInt();
    const bool receiptPrinter = uctenkova == QStringLiteral("A");
    const bool a4 = !receiptPrinter;
    outcome.itemised = itemised;
    outcome.a4 = a4;

    // 2. The template. A missing file is named to the operator and nothing is printed.
    report.clear();
    report.setNow(till.clock().now());
    outcome.templateFile = receiptTemplateName(receiptPrinter, itemised);
    const QString templatePath = programFile(outcome.templateFile);
    if (!report.loadFromFile(templatePath)) {
        till.prompt().message(
            QStringLiteral("Šablona účtenky „%1“ chybí nebo ji nelze přečíst (složka %2). Nic se "
                           "netiskne.")
                .arg(outcome.templateFile, QDir::toNativeSeparators(programFolder())));
        return outcome;
    }

    // 3. Variables; values are plain texts that the engine prints as typed.
    report.setVariable(QStringLiteral("dodat"),
                       establishmentLabel(settings.text(QStringLiteral("idprovoz")),
                                          settings.text(QStringLiteral("jedn_rezim"))));
    for (int i = 0; i < 3; ++i) {
        report.setVariable(QStringLiteral("Zahlavi%1").arg(i + 1), header.value(i));
        report.setVariable(QStringLiteral("Zapati%1").arg(i + 1), footer.value(i));
    }
    report.setVariable(QStringLiteral("od_do"), s.nast_od_do);

    // 4.-6. and 11.: eet_tu with its copies, in one transaction so that a failure leaves the
    // earlier table rather than half a new one.
    int copies = 1;
    {
        db::Transaction tx(db);
        db::exec(db, QStringLiteral("drop table if exists eet_tu"));
        if (itemised) {
            db::exec(
                db, QStringLiteral("CREATE TABLE eet_tu AS SELECT eet.*, rozpis.* FROM eet, rozpis WHERE 0"));
            db::exec(db,
                     QStringLiteral("insert into eet_tu select eet.*, rozpis.* from eet, rozpis where "
                                    "eet.uctenka_cislo = rozpis.uctenka_cislo and eet.id = ?"),
                     {id});
            db::exec(db, QStringLiteral("delete from eet_tu where suma = 0"));
        } else {
            db::exec(db, QStringLiteral("CREATE TABLE eet_tu AS SELECT * FROM eet WHERE 0"));
            db::exec(db, QStringLiteral("insert into eet_tu select * from eet where id = ?"), {id});
        }
        const QVariant firstPkp =
            db::scalar(db, QStringLiteral("select pkp from eet_tu order by rowid limit 1"));
        const bool sent = !isNullValue(firstPkp);
        if (itemised) {
            const int radek = db::scalar(db, QStringLiteral("select count(*) from eet_tu")).toInt();
            report.setVariable(QStringLiteral("radek"), radek);
            db::exec(db, QStringLiteral("update eet_tu set \"id:1\" = 0"));
            if (a4 && sent && pocetTisku > 1) {
                db::exec(db, QStringLiteral("drop table if exists tmp_eet"));
                db::exec(db, QStringLiteral("create temporary table tmp_eet as select * from eet_tu"));
                for (int k = 1; k <= pocetTisku - 1; ++k) {
                    db::exec(db, QStringLiteral("update tmp_eet set \"id:1\" = ?"), {k});
                    db::exec(db, QStringLiteral("insert into eet_tu select * from tmp_eet"));
                }
                copies = pocetTisku;
            }
            // Item texts reach the template decoded; stored bytes are read raw so that
            // malformed UTF-8 decodes by the program's own rule.
            QSqlQuery rows = db::exec(db, QStringLiteral("select rowid, cast(polozka as blob) from eet_tu"));
            QList<std::pair<qlonglong, QVariant>> updates;
            while (rows.next()) {
                const QVariant raw = rows.value(1);
                updates << std::make_pair(rows.value(0).toLongLong(),
                                          raw.isNull() ? QVariant() : QVariant(zutf(raw.toByteArray())));
            }
            for (const auto& [rowid, text] : updates)
                db::exec(db, QStringLiteral("update eet_tu set polozka = ? where rowid = ?"), {text, rowid});
        } else if (a4 && sent) {
            for (int k = 1; k <= pocetTisku - 1; ++k)
                db::exec(db, QStringLiteral("insert into eet_tu select * from eet where id = ?"), {id});
            if (pocetTisku > 1) {
                copies = pocetTisku;
                if (ReportObject* line = report.findObject(QStringLiteral("Line1")))
                    line->visible = true;
            }
        }
        tx.commit();
    }
    outcome.copies = copies;

    // 7. The report dataset.
    {
        QSqlQuery q = db::exec(db, datasetSql);
        report.setDataset(QStringLiteral("frxDBDataset1"), Dataset::fromQuery(q));
    }
    const Dataset* rows = report.dataset(QStringLiteral("frxDBDataset1"));

    // 8. Printer: an index past the end of the list falls back to the default printer.
    const int index = readPrinterIndex(receiptPrinterKey);
    if (index >= 0)
        report.setPrinterName(printerForIndex(index, out.printerNames()));

    // 9. Fiscal line.
    if (!rows->rows.isEmpty() && !isNullValue(rows->value(0, QStringLiteral("dat_odesl")))) {
        if (ReportObject* memo = report.findObject(QStringLiteral("Memo14"))) {
            memo->text = isNullValue(rows->value(0, QStringLiteral("fik")))
                             ? QStringLiteral("PKP:[frxDBDataset1.\"pkp\"]")
                             : QStringLiteral("FIK:[frxDBDataset1.\"fik\"]");
        }
    }

    // 10. A4 paper for the A4 printer kind.
    if (a4)
        report.setA4(false);

    auto setPayer = [&] {
        QVariant jm, up;
        QSqlQuery q =
            db::exec(db, QStringLiteral("select cast(jmeno as blob), cast(ucelplatby as blob) from eet_tu "
                                        "order by rowid limit 1"));
        if (q.next()) {
            jm = zutf(q.value(0).toByteArray());
            up = zutf(q.value(1).toByteArray());
        }
        report.setVariable(QStringLiteral("jm"), jm.toString());
        report.setVariable(QStringLiteral("up"), up.toString());
    };

    // 12. Output.
    const double paneZoom = a4 ? 0.38 : 1.0;
    outcome.done = true;
    if (s.rezim_navrhu) {
        setPayer();
        out.design(report);
        return outcome;
    }
    switch (mode) {
    case 1:
        setPayer();
        report.prepare();
        out.showInPane(report, paneZoom);
        break;
    case 2:
        out.detachPane();
        setPayer();
        report.prepare();
        out.showWindow(report, 1.0);
        out.showInPane(report, paneZoom);
        break;
    case 3:
        // The pages the pane shows are printed as they are; only when nothing was prepared yet
        // (no preview since start) are they prepared now, so that "tisk" never prints nothing.
        if (report.pageCount() == 0) {
            setPayer();
            report.prepare();
        }
        out.printWithDialog(report);
        out.nahled();
        break;
    case 4:
        setPayer();
        report.prepare();
        out.printDirect(report);
        break;
    default:
        outcome.done = false;
        break;
    }
    return outcome;
}

bool tiskButton(Till& till, Report& report, ReportOutput& out)
{
    if (!till.current.isOpen() || till.current.isNull(QStringLiteral("pkp"))) {
        till.prompt().message(QStringLiteral("Chybí odeslání na EET!"));
        return false;
    }
    return tiskuct(till, report, 3, out).done;
}
