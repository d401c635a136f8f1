#include "localftp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef VORNIX_PYTHON3
#define VORNIX_PYTHON3 "python3"
#endif
#ifndef VORNIX_FTP_SCRIPT
#error "VORNIX_FTP_SCRIPT must name tests/support/ftpserver.py"
#endif

LocalFtpServer::LocalFtpServer(const Options& o)
{
    QStringList args{QStringLiteral(VORNIX_FTP_SCRIPT),
                     QStringLiteral("--root"),
                     m_root.path(),
                     QStringLiteral("--user"),
                     o.user,
                     QStringLiteral("--password"),
                     o.password,
                     QStringLiteral("--commands"),
                     m_work.filePath(QStringLiteral("commands.txt"))};
    if (!o.stallOn.isEmpty())
        args << QStringLiteral("--stall") << o.stallOn;
    if (!o.shortFile.isEmpty())
        args << QStringLiteral("--short") << o.shortFile;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(VORNIX_PYTHON3), args);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(10000);
    const QByteArray line = m_process.readLine().trimmed();
    m_port = line.toInt();
    if (m_port == 0)
        m_error = QStringLiteral("FTP server did not report its port: ") + QString::fromUtf8(line);
}

LocalFtpServer::~LocalFtpServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void LocalFtpServer::put(const QString& relativePath, const QByteArray& bytes)
{
    const QString path = QDir(m_root.path()).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QStringList LocalFtpServer::commands() const
{
    QFile f(m_work.filePath(QStringLiteral("commands.txt")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
