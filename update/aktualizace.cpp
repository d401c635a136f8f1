#include "update/aktualizace.h"

#include "core/busyindicator.h"
#include "core/clock.h"
#include "core/paths.h"
#include "core/prompt.h"
#include "platform/detached.h"
#include "update/updatecheck.h"
#include "update/updateconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

namespace
{

// Closes the busy form however the command ends (an exception included).
struct BusyCloser {
    BusyIndicator* busy;
    ~BusyCloser()
    {
        if (busy)
            busy->close();
    }
};

void pump(const UpdateHooks& h)
{
    if (h.processEvents)
        h.processEvents();
}

bool appendLine(const QString& file, const QString& line)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = line.toUtf8() + '\n';
    return f.write(bytes) == bytes.size();
}

} // namespace

QString updateNoticeText()
{
    return QStringLiteral("Nyní bude aktualizována aplikace Vornix.") + QLatin1Char('\n') +
           QStringLiteral("Nutný restart aplikace!");
}

QString updateLogLine(const QDateTime& now, const QString& version)
{
    const QLocale c = QLocale::c();
    return c.toString(now.date(), QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ') +
           c.toString(now.time(), QStringLiteral("H:mm:ss")) + QStringLiteral(" - NOVÁ VERZE programu: ") +
           version;
}

QString Aktualizaceprogr(bool startMode, const UpdateHooks& h)
{
    BusyCloser closer{h.busy};
    if (!startMode && h.busy) {
        h.busy->show();
        h.busy->posun();
    }
    pump(h);

    const QString dir = h.programDir.isEmpty() ? programFolder() : h.programDir;
    const UpdateConfig config = readUpdateConfig(QDir(dir).filePath(QStringLiteral("eet.ini")));

    UpdateCheckParams params;
    params.host = config.host;
    params.port = config.port;
    params.user = config.user;
    params.password = config.password;
    params.passive = config.passive;
    params.timeoutSeconds = h.timeoutSeconds;
    params.programDir = dir;
    params.downloadDir = dir;
    params.executable = h.executable.isEmpty() ? QCoreApplication::applicationFilePath() : h.executable;
    params.pump = h.processEvents;

    UpdateCheckOutcome outcome;
    try {
        outcome = runUpdateCheck(params);
    } catch (...) {
        // The splash must not outlive the start-up check, whatever happened.
        if (startMode && h.closeSplash)
            h.closeSplash();
        throw;
    }

    if (startMode) {
        if (h.closeSplash)
            h.closeSplash();
    } else if (h.busy) {
        h.busy->show();
        h.busy->posun();
        pump(h);
    }

    if (outcome.result == QStringLiteral("A")) {
        QDir(dir).mkpath(QStringLiteral("updlog"));
        const Clock defaultClock;
        const Clock& clock = h.clock ? *h.clock : defaultClock;
        appendLine(QDir(dir).filePath(QStringLiteral("updlog/vornix.log")),
                   updateLogLine(clock.now(), QStringLiteral(VORNIX_VERSION)));
        if (h.busy)
            h.busy->close();
        if (h.prompt)
            h.prompt->message(updateNoticeText());

        // The file just downloaded is the one started, made executable first.
        QFile::setPermissions(outcome.installerPath, QFile::permissions(outcome.installerPath) |
                                                         QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup |
                                                         QFile::ExeOther);
        const QStringList arguments{QStringLiteral("/DIR=\"%1/\"").arg(QDir::cleanPath(dir))};
        const bool started = h.startProgram ? h.startProgram(outcome.installerPath, arguments, dir)
                                            : startDetachedProgram(outcome.installerPath, arguments, dir);
        if (!started) {
            // Closing without a running installer would leave the operator with nothing.
            if (h.prompt)
                h.prompt->show(QStringLiteral("Instalační program %1 se nepodařilo spustit.")
                                   .arg(QDir::toNativeSeparators(outcome.installerPath)),
                               PromptIcon::Warning, {QStringLiteral("OK")});
            return QStringLiteral("E");
        }
        pump(h);
        if (h.closeProgram)
            h.closeProgram();
        return outcome.result;
    }

    if (!startMode) {
        if (h.busy)
            h.busy->close();
        if (h.prompt)
            h.prompt->message(QStringLiteral("Nebyla nalezena novější verze aplikace!"));
    }
    return outcome.result;
}
