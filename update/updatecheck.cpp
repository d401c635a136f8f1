#include "update/updatecheck.h"

#include "update/version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace
{

// One FTP session over libcurl: every request reuses the same control connection. Server
// replies and the commands they answer are taken from libcurl's protocol trace, so the log can
// name the reply of each step; the commands themselves (the password among them) are never kept.
class FtpClient
{
  public:
    explicit FtpClient(const UpdateCheckParams& p) : m_params(p)
    {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        QString host = p.host;
        if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
            host = QLatin1Char('[') + host + QLatin1Char(']');
        m_base = QStringLiteral("ftp://%1:%2/").arg(host, p.port.trimmed());
    }
    ~FtpClient() { abort(); }

    // Runs one request on the server path (relative to the log-in folder). With a sink the
    // file is downloaded into it; without one only the commands up to the transfer are sent.
    bool request(const QString& path, const QList<QByteArray>& quote, QSaveFile* sink)
    {
        m_stepReplies.clear();
        m_error.clear();
        if (isReservedInvalid(m_params.host)) {
            // ".invalid" never resolves (RFC 6761); fail without asking the network.
            m_error = QStringLiteral("Could not resolve host: %1").arg(m_params.host);
            return false;
        }
        if (!m_curl && !setUp())
            return false;
        const QByteArray url = (m_base + path).toUtf8();
        curl_easy_setopt(m_curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, sink ? 0L : 1L);
        curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, sink);
        curl_slist* commands = nullptr;
        for (const QByteArray& c : quote)
            commands = curl_slist_append(commands, c.constData());
        curl_easy_setopt(m_curl, CURLOPT_QUOTE, commands);
        m_errorBuffer[0] = 0;
        const CURLcode rc = curl_easy_perform(m_curl);
        curl_easy_setopt(m_curl, CURLOPT_QUOTE, nullptr);
        curl_slist_free_all(commands);
        if (rc == CURLE_OK)
            return true;
        m_error = QString::fromUtf8(m_errorBuffer[0] ? m_errorBuffer : curl_easy_strerror(rc)).trimmed();
        return false;
    }

    // The reply of the last step: the last reply to one of the given commands, otherwise the
    // last reply of the step; the error text when the step failed.
    QString stepText(const QList<QByteArray>& verbs, bool ok) const
    {
        if (!ok)
            return m_error;
        for (qsizetype i = m_stepReplies.size() - 1; i >= 0; --i)
            if (verbs.contains(m_stepReplies.at(i).first))
                return m_stepReplies.at(i).second;
        return m_stepReplies.isEmpty() ? m_lastReply : m_stepReplies.last().second;
    }

    // Ends the session and the control connection; afterwards lastReply() is the final word
    // of the server (the answer to QUIT when the connection was still alive).
    void abort()
    {
        if (m_curl) {
            curl_easy_cleanup(m_curl);
            m_curl = nullptr;
        }
    }

    QString lastReply() const { return m_lastReply.isEmpty() ? m_error : m_lastReply; }

    // Marks the step failed for a local reason (the target file cannot be written).
    void fail(const QString& text)
    {
        m_stepReplies.clear();
        m_error = text;
    }

  private:
    static bool isReservedInvalid(const QString& host)
    {
        const QString h = host.trimmed().toLower();
        return h == QStringLiteral("invalid") || h.endsWith(QStringLiteral(".invalid")) ||
               h.endsWith(QStringLiteral(".invalid."));
    }

    bool setUp()
    {
        m_curl = curl_easy_init();
        if (!m_curl) {
            m_error = QStringLiteral("libcurl: initialisation failed");
            return false;
        }
        const long limit = m_params.timeoutSeconds;
        const QByteArray user = m_params.user.toUtf8();
        const QByteArray password = m_params.password.toUtf8();
        curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, limit);
        curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, limit);
        curl_easy_setopt(m_curl, CURLOPT_ACCEPTTIMEOUT_MS, limit * 1000L);
        // A transfer that moves nothing for the time limit is a stalled server.
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, limit);
        // Encrypt when the server offers it; a plain server still works.
        curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
        curl_easy_setopt(m_curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
        curl_easy_setopt(m_curl, CURLOPT_TRANSFERTEXT, 0L);
        if (!m_params.passive)
            curl_easy_setopt(m_curl, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &FtpClient::write);
        curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(m_curl, CURLOPT_DEBUGFUNCTION, &FtpClient::trace);
        curl_easy_setopt(m_curl, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &FtpClient::progress);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
        return true;
    }

    static size_t write(char* data, size_t size, size_t count, void* user)
    {
        auto* sink = static_cast<QSaveFile*>(user);
        const qint64 n = static_cast<qint64>(size * count);
        if (!sink || sink->write(data, n) != n)
            return 0;
        return static_cast<size_t>(n);
    }

    static int trace(CURL*, curl_infotype type, char* data, size_t size, void* user)
    {
        auto* self = static_cast<FtpClient*>(user);
        const QByteArray chunk(data, static_cast<qsizetype>(size));
        if (type == CURLINFO_HEADER_OUT) {
            // Keep only the command word: the arguments include the password.
            self->m_command = chunk.trimmed().split(' ').value(0).toUpper();
        } else if (type == CURLINFO_HEADER_IN) {
            for (const QByteArray& line : chunk.split('\n')) {
                const QString text = QString::fromUtf8(line).trimmed();
                if (text.isEmpty())
                    continue;
                self->m_lastReply = text;
                self->m_stepReplies.append({self->m_command, text});
            }
        }
        return 0;
    }

    static int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        auto* self = static_cast<FtpClient*>(user);
        if (self->m_params.pump)
            self->m_params.pump();
        return 0;
    }

    const UpdateCheckParams& m_params;
    QString m_base;
    CURL* m_curl = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    QByteArray m_command;
    QList<QPair<QByteArray, QString>> m_stepReplies;
    QString m_lastReply;
    QString m_error;
};

bool writeLines(const QString& file, const QStringList& lines)
{
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    for (const QString& line : lines) {
        f.write(line.toUtf8());
        f.write("\n");
    }
    return f.commit();
}

// Downloads one file: it appears under its name only when the transfer completed.
bool download(FtpClient& ftp, const UpdateCheckParams& p, const QString& name, QString* savedAs)
{
    QDir().mkpath(p.downloadDir);
    const QString target = QDir(p.downloadDir).filePath(name);
    QSaveFile sink(target);
    sink.setDirectWriteFallback(false);
    if (!sink.open(QIODevice::WriteOnly)) {
        ftp.fail(QStringLiteral("%1: %2").arg(target, sink.errorString()));
        return false;
    }
    const QString path = QString::fromUtf8(QUrl::toPercentEncoding(p.folder, "/")) + QLatin1Char('/') +
                         QString::fromUtf8(QUrl::toPercentEncoding(name));
    if (!ftp.request(path, {}, &sink)) {
        sink.cancelWriting();
        return false;
    }
    if (!sink.commit()) {
        ftp.fail(QStringLiteral("%1: %2").arg(target, sink.errorString()));
        return false;
    }
    *savedAs = target;
    return true;
}

} // namespace

QString ftpLogFile(const QString& programDir)
{
    return QDir::cleanPath(programDir + QStringLiteral("/../ftplog/vtarvel.log"));
}

UpdateCheckOutcome runUpdateCheck(const UpdateCheckParams& p)
{
    UpdateCheckOutcome out;
    out.result = QStringLiteral("N");
    QStringList& log = out.log;
    log << p.host << p.port << p.user << p.folder << p.versionFile << p.installer
        << (p.passive ? QStringLiteral("true") : QStringLiteral("false"));

    const QList<QByteArray> loginVerbs{"USER", "PASS", ""};
    {
        FtpClient ftp(p);
        const auto finish = [&] {
            ftp.abort();
            log << ftp.lastReply();
        };
        bool ok = ftp.request(QString(), {}, nullptr);
        log << ftp.stepText(loginVerbs, ok);
        if (!ok) {
            out.result = QStringLiteral("E");
            finish();
        } else {
            const QString folder =
                QString::fromUtf8(QUrl::toPercentEncoding(p.folder, "/")) + QLatin1Char('/');
            ok = ftp.request(folder, {}, nullptr);
            log << ftp.stepText({"CWD"}, ok);
            ok = ftp.request(folder, {"TYPE I"}, nullptr);
            log << ftp.stepText({"TYPE"}, ok);

            QString versionPath;
            ok = download(ftp, p, p.versionFile, &versionPath);
            log << ftp.stepText({"RETR"}, ok);
            if (!ok) {
                out.result = QStringLiteral("E");
                finish();
            } else {
                QFile vf(versionPath);
                const bool readable = vf.open(QIODevice::ReadOnly);
                const bool valid = readable && serverVersionFromFile(vf.readAll(), &out.serverVersion);
                out.localVersion = localVersionText(QFileInfo(p.executable).lastModified());
                writeLines(QDir(p.programDir).filePath(QStringLiteral("verze.log")),
                           {QStringLiteral("Verze programu: ") + out.localVersion,
                            QStringLiteral("Verze internet: ") + out.serverVersion});
                if (!valid) {
                    // A version file without a time stamp in its second line decides nothing.
                    out.result = QStringLiteral("E");
                    log << QStringLiteral("%1: chybí verze na druhém řádku").arg(p.versionFile);
                } else if (serverIsNewer(out.serverVersion, out.localVersion)) {
                    out.result = QStringLiteral("A");
                    ok = download(ftp, p, p.installer, &out.installerPath);
                    log << ftp.stepText({"RETR"}, ok);
                    if (!ok) {
                        out.result = QStringLiteral("E");
                        out.installerPath.clear();
                    }
                }
                finish();
            }
        }
    }

    const QString logFile = ftpLogFile(p.programDir);
    QDir().mkpath(QFileInfo(logFile).absolutePath());
    writeLines(logFile, log);
    return out;
}
