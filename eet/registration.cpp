#include "eet/registration.h"

#include "core/busyindicator.h"
#include "core/clock.h"
#include "core/dates.h"
#include "core/error.h"
#include "core/money.h"
#include "core/prompt.h"
#include "core/till.h"
#include "db/database.h"
#include "eetclient/eetclient.h"
#include "receipts/completion.h"
#include "settings/settingsrow.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTimeZone>

namespace
{

// Receipt columns of the thirteen amounts, in the order of the component's parameters.
const char* const amountColumns[13] = {
    "zakl_nepodl_dph", "zakl_dan1",        "dan1",      "zakl_dan2_sniz1", "dan2_sniz1",
    "zakl_dan3_sniz2", "dan3_sniz2",       "cest_sluz", "pouzit_zboz1",    "pouzit_zboz2",
    "pouzit_zboz3",    "urceno_cerp_zuct", "cerp_zuct"};

std::string str(const QString& s)
{
    return s.toStdString();
}

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

QMap<QString, QVariant> readReceipt(QSqlDatabase& db, const QString& id)
{
    QMap<QString, QVariant> row;
    QSqlQuery q = db::exec(db, QStringLiteral("select * from eet where id = ?"), {id.toLongLong()});
    if (!q.next())
        throw VornixError(QStringLiteral("Účtenka %1 v databázi není.").arg(id));
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        row.insert(r.fieldName(i), q.value(i));
    return row;
}

struct Outcome {
    bool registered = false;
};

// The registration sequence shared by the button and Odesli_eet.
void registerReceipt(QSqlDatabase& db, const Clock& clock, const QString& id,
                     const QMap<QString, QVariant>& receipt, bool button)
{
    try {
        eet::Klient k;
        const SettingsRow s = readSettings(db);
        const auto settingsText = [&](const char* c) { return str(s.text(QString::fromLatin1(c))); };
        const int timeout = s.value(QStringLiteral("timeout")).toInt();
        if (button) {
            k.SetTimeout(timeout);
            k.SetURL(settingsText("url"));
        } else {
            k.SetURL(settingsText("url"));
            k.SetTimeout(timeout);
        }
        k.DIC(settingsText("dic"));
        k.CertHeslo(settingsText("certheslo"));
        k.CertSb(settingsText("certsoubor"));
        k.SetMode(s.text(QStringLiteral("jedn_rezim")) == QLatin1String("A") ? 1 : 0);
        k.SetVerification(s.value(QStringLiteral("overeni")).toInt() == 1);
        k.IDProvoz(settingsText("idprovoz"));
        k.IDPokl(settingsText("idkasa"));

        for (int i = 0; i < 13; ++i) {
            const double v = receipt.value(QString::fromLatin1(amountColumns[i])).toDouble();
            k.SetParam(eet::Klient::kParams[static_cast<size_t>(i)].first, str(formatAmount(v)));
        }
        if (button)
            k.SetSwitch(true);

        const QString stored = receipt.value(QStringLiteral("dat_trzby")).toString();
        const QDateTime now = clock.now();
        const QString attempt = storedDateTime(now);
        QString saleTime = stored;
        saleTime.replace(QLatin1Char(' '), QLatin1Char('T'));
        QString sendTime = attempt;
        sendTime.replace(QLatin1Char(' '), QLatin1Char('T'));
        if (!button) {
            const QDateTime sale = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            saleTime += utcOffsetSuffix(sale.isValid() ? sale : now);
            sendTime += utcOffsetSuffix(now);
        }
        const QString number = receipt.value(QStringLiteral("uctenka_cislo")).toString();
        const QString total = formatAmount(receipt.value(QStringLiteral("celk_trzba")).toDouble());
        const QVariant previous = receipt.value(QStringLiteral("dat_odesl"));
        const bool first = !previous.isValid() || previous.isNull();

        db::exec(db, QStringLiteral("update eet set dat_odesl = ? where id = ?"), {attempt, id.toLongLong()});

        k.Send(first, str(number), str(saleTime), str(sendTime), str(total));

        const QString uuid = qs(k.GetUUID());
        const QString fik = qs(k.GetFIK());
        if (!fik.isEmpty()) {
            QString received = qs(k.GetReceivedAt()).left(19);
            received.replace(QLatin1Char('T'), QLatin1Char(' '));
            db::exec(
                db,
                QStringLiteral("update eet set uuid_zpravy = ?, pkpplain = ?, pkp = ?, fik = ?, bkp = ?, "
                               "zprava_xml = ?, dat_prijeti = ?, chyba = NULL where id = ?"),
                {uuid, qs(k.GetPKPPlain()), qs(k.GetPKP()), fik, qs(k.GetBKP()), qs(k.GetXML()), received,
                 id.toLongLong()});
        } else {
            db::exec(db,
                     QStringLiteral(
                         "update eet set uuid_zpravy = ?, pkpplain = ?, pkp = ?, bkp = ?, zprava_xml = ?, "
                         "chyba = ? where id = ?"),
                     {uuid, qs(k.GetPKPPlain()), qs(k.GetPKP()), qs(k.GetBKP()), qs(k.GetXML()),
                      qs(k.GetError()), id.toLongLong()});
        }
    } catch (const eet::Chyba& e) {
        throw VornixError(
            QStringLiteral("Účtenku nelze odeslat na EET: %1").arg(QString::fromStdString(e.what())));
    } catch (const VornixError&) {
        throw;
    } catch (const std::exception& e) {
        throw VornixError(
            QStringLiteral("Účtenku nelze odeslat na EET: %1").arg(QString::fromStdString(e.what())));
    }
}

QString writeLines(const QString& folder, const QString& name, const QString& text)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile::remove(path);
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normal.split(QLatin1Char('\n'));
    QByteArray out;
    for (const QString& l : lines)
        out += l.toUtf8() + "\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size())
        throw VornixError(QStringLiteral("Soubor „%1“ nelze zapsat: %2").arg(path, f.errorString()));
    return path;
}

} // namespace

QString utcOffsetSuffix(const QDateTime& local)
{
    const int secs = local.offsetFromUtc();
    const int minutes = std::abs(secs) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(secs < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

void Odesli_eet(QSqlDatabase& db, const Clock& clock, const QString& id)
{
    registerReceipt(db, clock, id, readReceipt(db, id), false);
}

bool eetButton(Till& till)
{
    QSqlDatabase& db = till.db();
    const QString id = till.session.aktualni_id;
    const QVariant fik =
        db::scalar(db, QStringLiteral("select fik from eet where id = ?"), {id.toLongLong()});
    if (fik.isValid() && !fik.isNull()) {
        till.prompt().message(QStringLiteral("Účtenka již odeslána na EET!"));
        return false;
    }
    till.panel.eetEnabled = false;

    // The values of the receipt as the panel holds them.
    QMap<QString, QVariant> receipt = readReceipt(db, id);
    for (auto it = receipt.begin(); it != receipt.end(); ++it)
        it.value() = till.current.value(it.key()).isValid() ? till.current.value(it.key()) : it.value();
    registerReceipt(db, till.clock(), id, receipt, true);

    till.current.refresh();
    nahled(till, till.current.text(QStringLiteral("celk_trzba")),
           till.current.text(QStringLiteral("ucelplatby")));
    till.panel.amountEnabled = false;
    till.panel.vatEnabled = false;
    till.panel.numberLabel = till.current.text(QStringLiteral("uctenka_cislo"));
    till.panel.numberLabelVisible = true;
    return true;
}

QString unsentSql()
{
    return QStringLiteral("select * from eet where fik ISNULL and celk_trzba <> 0 and dat_trzby NOTNULL");
}

int resendUnsent(QSqlDatabase& db, const Clock& clock, BusyIndicator& busy)
{
    QStringList ids;
    {
        QSqlQuery q = db::exec(db, unsentSql());
        while (q.next())
            ids << q.value(QStringLiteral("id")).toString();
    }
    busy.show();
    busy.posun();
    int sent = 0;
    try {
        for (const QString& id : ids) {
            Odesli_eet(db, clock, id);
            ++sent;
            busy.posun();
        }
    } catch (...) {
        busy.close();
        throw;
    }
    busy.close();
    return sent;
}

QString writeErrorFile(QSqlDatabase& db, Prompt& prompt, const QString& folder, const QVariant& datOdesl,
                       const QString& number)
{
    if (!datOdesl.isValid() || datOdesl.isNull()) {
        prompt.message(QStringLiteral("Neodeslaná účtenka! Načtěte a opakujte EET!"));
        return QString();
    }
    const QString text =
        db::scalar(db, QStringLiteral("select chyba from eet where uctenka_cislo = ?"), {number}).toString();
    return writeLines(folder, QStringLiteral("chyba.xml"), text);
}

QString writeXmlFile(QSqlDatabase& db, Prompt& prompt, const QString& folder, const QVariant& datOdesl,
                     const QString& number)
{
    if (!datOdesl.isValid() || datOdesl.isNull()) {
        prompt.message(QStringLiteral("Neodeslaná účtenka! Načtěte a opakujte EET!"));
        return QString();
    }
    QString xml =
        db::scalar(db, QStringLiteral("select zprava_xml from eet where uctenka_cislo = ?"), {number})
            .toString();
    xml.replace(QStringLiteral("><"), QStringLiteral(">\r<"));
    return writeLines(folder, QStringLiteral("odeslane.xml"), xml);
}
