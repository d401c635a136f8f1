#pragma once

#include "core/till.h"
#include "db/database.h"
#include "print/report.h"
#include "print/reportoutput.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTextDocument>
#include <QUuid>

// A program folder with the default templates, a prepared database and a till on it.
struct PrintFixture {
    TempProgramFolder folder;
    QString connection = QUuid::createUuid().toString();
    QSqlDatabase db;
    ScriptedPrompt prompt;
    FixedClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 11, 12))};
    std::unique_ptr<Till> till;

    PrintFixture()
    {
        const QDir templates(QStringLiteral(VORNIX_TEMPLATES_DIR));
        for (const QString& f : templates.entryList({QStringLiteral("*.vxr")}))
            QFile::copy(templates.filePath(f), folder.file(f));
        db = db::open(folder.dbFile(), connection);
        db::prepare(db);
        till = std::make_unique<Till>(db, prompt, clock);
        settings({{"zahlavi", "Penzion U Lípy\r\nHlavní 1, Brno\r\nIČ 12345678"},
                  {"zapati", "Děkujeme za návštěvu\r\nwww.example.cz"},
                  {"idprovoz", "11"},
                  {"idkasa", "K1"},
                  {"uctenkova", "A"},
                  {"pocet_tisku", 1},
                  {"jedn_rezim", "N"}});
    }
    ~PrintFixture()
    {
        till.reset();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
    }

    void settings(const QList<std::pair<QString, QVariant>>& values)
    {
        for (const auto& [column, value] : values)
            db::exec(db, QStringLiteral("update eet_nast set %1 = ?").arg(column), {value});
    }

    // A completed receipt; state "new" (never sent), "failed" (sent, no FIK) or "registered".
    qlonglong receipt(const QString& number, const QString& state = QStringLiteral("registered"),
                      qlonglong amount = 1500, const QString& payer = QStringLiteral("Jan Novák"),
                      const QString& purpose = QStringLiteral("Ubytování"))
    {
        const bool sent = state != QStringLiteral("new");
        const bool ok = state == QStringLiteral("registered");
        db::exec(
            db,
            QStringLiteral(
                "insert into eet (idkasa, uctenka_cislo, jmeno, ucelplatby, oddata, dodata, dat_trzby, "
                "celk_trzba, zakl_dan1, dan1, pkp, bkp, fik, dat_odesl, dat_prijeti, chyba) "
                "values ('K1', ?, ?, ?, '2024-03-01', '2024-03-05', '2024-03-05 10:11:12', ?, ?, ?, "
                "?, ?, ?, ?, ?, ?)"),
            {number, payer, purpose, amount, 1239.67, 260.33,
             sent ? QVariant(QStringLiteral("PKPBASE64VALUE")) : QVariant(),
             sent ? QVariant(QStringLiteral("0A1B2C3D-4E5F6071-8293A4B5-C6D7E8F9-0A1B2C3D")) : QVariant(),
             ok ? QVariant(QStringLiteral("b3a09b52-7c87-4014-a496-4c7a53cf9125-ff")) : QVariant(),
             sent ? QVariant(QStringLiteral("2024-03-05 10:11:13")) : QVariant(),
             ok ? QVariant(QStringLiteral("2024-03-05 10:11:14")) : QVariant(),
             sent && !ok ? QVariant(QStringLiteral("timeout")) : QVariant()});
        const qlonglong id = db::scalar(db, QStringLiteral("select max(id) from eet")).toLongLong();
        till->session.aktualni_id = QString::number(id);
        till->current.open(till->session.aktualni_id);
        return id;
    }

    void line(const QString& number, const QString& item, double price, double count)
    {
        db::exec(db,
                 QStringLiteral(
                     "insert into rozpis (uctenka_cislo, polozka, cena, ks, suma) values (?, ?, ?, ?, ?)"),
                 {number, item, price, count, price * count});
    }
};

// Records what tiskuct hands to its output.
struct RecordingOutput : ReportOutput {
    QStringList printers;
    QStringList calls;
    double paneZoom = -1;
    double windowZoom = -1;
    int pagesPrinted = 0;
    QString printer;
    QStringList printerNames() override { return printers; }
    void showInPane(Report&, double zoom) override
    {
        calls << QStringLiteral("pane");
        paneZoom = zoom;
    }
    void detachPane() override { calls << QStringLiteral("detach"); }
    void showWindow(Report&, double zoom) override
    {
        calls << QStringLiteral("window");
        windowZoom = zoom;
    }
    void printWithDialog(Report& r) override
    {
        calls << QStringLiteral("dialog");
        pagesPrinted = r.pageCount();
        printer = r.printerName();
    }
    void printDirect(Report& r) override
    {
        calls << QStringLiteral("direct");
        pagesPrinted = r.pageCount();
        printer = r.printerName();
    }
    void design(Report&) override { calls << QStringLiteral("design"); }
    void nahled() override { calls << QStringLiteral("nahled"); }
};

// The text of prepared pages as a reader sees it.
inline QString pagesText(const Report& r)
{
    QString out;
    for (const PreparedPage& p : r.pages())
        for (const PreparedItem& i : p.items) {
            QTextDocument d;
            d.setHtml(i.html);
            out += d.toPlainText() + QLatin1Char('\n');
        }
    return out;
}
