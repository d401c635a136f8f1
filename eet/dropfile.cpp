#include "eet/dropfile.h"

#include "core/dates.h"
#include "core/error.h"
#include "core/textconv.h"
#include "core/till.h"
#include "db/database.h"
#include "eet/registration.h"
#include "receipts/completion.h"

#include <QFile>
#include <QLocale>

QStringList dropFileLines(const QByteArray& bytes)
{
    QString text = fromWindows1250(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line break ends the last line; it does not start another one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

namespace
{

// Columns of lines 6 to 10, 12 and 13: amounts with "." as the decimal separator.
struct Amount {
    int line;
    const char* column;
};
const Amount amounts[] = {{6, "zakl_nepodl_dph"}, {7, "zakl_dan1"},   {8, "dan1"},     {9, "zakl_dan2_sniz1"},
                          {10, "dan2_sniz1"},     {12, "zaklad_dph"}, {13, "suma_dph"}};

DropFileOutcome refuse(Till& till, DropFileOutcome::Status status, const QString& text)
{
    DropFileOutcome o;
    o.status = status;
    o.message = text;
    till.prompt().message(text);
    return o;
}

} // namespace

DropFileOutcome processDropFile(Till& till, const QString& folder)
{
    const QString path = folder + QStringLiteral("/odeslat_fa.txt");
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return refuse(till, DropFileOutcome::Refused,
                      QStringLiteral("Soubor faktury „%1“ nelze číst: %2").arg(path, file.errorString()));
    const QStringList lines = dropFileLines(file.readAll());
    file.close();
    const QString bad = QStringLiteral("Soubor faktury „%1“ nelze zpracovat: %2. Soubor zůstal beze změny.");
    if (lines.size() < 13)
        return refuse(till, DropFileOutcome::Refused,
                      bad.arg(path, QStringLiteral("má %1 řádků, potřebných je 13").arg(lines.size())));

    const QLocale c = QLocale::c();
    bool ok = false;
    const qlonglong total = lines[4].toLongLong(&ok);
    if (!ok)
        return refuse(
            till, DropFileOutcome::Refused,
            bad.arg(path, QStringLiteral("celková částka (řádek 5) „%1“ není celé číslo").arg(lines[4])));
    QVariant rate;
    if (!lines[10].isEmpty()) {
        rate = lines[10].toLongLong(&ok);
        if (!ok)
            return refuse(
                till, DropFileOutcome::Refused,
                bad.arg(path, QStringLiteral("sazba DPH (řádek 11) „%1“ není celé číslo").arg(lines[10])));
    }
    QVariantList amountValues;
    for (const Amount& a : amounts) {
        const QString& t = lines[a.line - 1];
        if (t.isEmpty()) {
            amountValues << QVariant();
            continue;
        }
        const double v = c.toDouble(t, &ok);
        if (!ok)
            return refuse(
                till, DropFileOutcome::Refused,
                bad.arg(path, QStringLiteral("částka na řádku %1 „%2“ není číslo s desetinnou tečkou")
                                  .arg(a.line)
                                  .arg(t)));
        amountValues << v;
    }
    if (total == 0)
        return refuse(till, DropFileOutcome::Refused, QStringLiteral("Nulová částka účtenky!"));
    if (lines[2].isEmpty())
        return refuse(till, DropFileOutcome::Refused, QStringLiteral("Prázdný účel platby!"));

    const QString number = lines[0];
    QSqlDatabase& db = till.db();
    if (db::scalar(db, QStringLiteral("select id from eet where uctenka_cislo = ? and fik NOTNULL"), {number})
            .isValid())
        return refuse(till, DropFileOutcome::AlreadyRegistered,
                      QStringLiteral("Účtenka %1 z faktury je již zaevidována na EET; znovu se neodesílá. "
                                     "Soubor „%2“ zůstal na místě.")
                          .arg(number, path));

    // The invoice gets a row of its own, so a receipt an operator is entering stays untouched.
    const QString today = storedDate(till.clock().today());
    QString id;
    {
        db::Transaction t(db);
        QVariantList values{till.panel.registerId,
                            number,
                            QString::fromUtf8(doutf(lines[1])),
                            QString::fromUtf8(doutf(lines[2])),
                            lines[3],
                            total,
                            today,
                            today,
                            rate};
        values += amountValues;
        db::exec(db,
                 QStringLiteral(
                     "insert into eet (idkasa, uctenka_cislo, jmeno, ucelplatby, dat_trzby, celk_trzba, "
                     "oddata, dodata, dph, zakl_nepodl_dph, zakl_dan1, dan1, zakl_dan2_sniz1, dan2_sniz1, "
                     "zaklad_dph, suma_dph) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 values);
        id = db::scalar(db, QStringLiteral("select last_insert_rowid()")).toString();
        t.commit();
    }
    till.session.aktualni_id = id;
    till.current.open(id);

    try {
        nahled(till, QString::number(total), lines[2]);
        eetButton(till);
    } catch (const VornixError& e) {
        // Nothing reached EET (the component refuses before sending): the row goes again.
        db::exec(db, QStringLiteral("delete from eet where id = ? and fik ISNULL"), {id.toLongLong()});
        return refuse(till, DropFileOutcome::Refused, e.text());
    }

    if (till.tiskuct)
        till.tiskuct(4);

    DropFileOutcome o;
    o.id = id;
    if (!QFile::remove(path)) {
        o = refuse(
            till, DropFileOutcome::NotDeleted,
            QStringLiteral("Faktura %1 byla zpracována, ale soubor „%2“ nelze smazat. Smažte jej, prosím; "
                           "znovu odeslána nebude.")
                .arg(number, path));
        o.id = id;
        return o;
    }
    o.status = DropFileOutcome::Done;
    return o;
}
