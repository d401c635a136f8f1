// vornix-demo-setup FOLDER URL [CERT PASSWORD DIC]
// Creates or updates the database of a demo program folder so that it registers receipts
// with the given EET endpoint using the demo certificate.
#include "core/error.h"
#include "db/database.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 3) {
        std::fprintf(stderr, "usage: vornix-demo-setup FOLDER URL [CERT PASSWORD DIC]\n");
        return 2;
    }
    const QString folder = QDir(a.at(1)).absolutePath();
    try {
        QSqlDatabase db = db::open(folder + QStringLiteral("/eetlite.db3"));
        db::prepare(db);
        db::exec(db, QStringLiteral("update eet_nast set url = ?"), {a.at(2)});
        if (a.size() >= 6)
            db::exec(db, QStringLiteral("update eet_nast set certsoubor = ?, certheslo = ?, dic = ?"),
                     {a.at(3), a.at(4), a.at(5)});
        const QVariant named = db::scalar(db, QStringLiteral("select uzivatel from eet_nast"));
        if (named.toString().isEmpty())
            db::exec(db,
                     QStringLiteral("update eet_nast set uzivatel = ?, ucel = ?, idkasa = ?, idprovoz = ?, "
                                    "zahlavi = ?, zapati = ?"),
                     {QStringLiteral("Penzion U Lípy, Horní 12, Telč"), QStringLiteral("Ubytování"),
                      QStringLiteral("K1"), QStringLiteral("11"),
                      QStringLiteral("Penzion U Lípy\r\nHorní 12, 588 56 Telč\r\nIČ 12345678"),
                      QStringLiteral("Děkujeme za návštěvu.\r\nwww.upenzionu.example\r\n")});
        db.close();
    } catch (const VornixError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("demo folder ready: %s\n", qPrintable(folder));
    return 0;
}
