#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <stdexcept>

// The local EET test service on a free loopback port, for the life of the object.
class EetTestService
{
  public:
    explicit EetTestService(const QStringList& extra = {})
    {
        const QString exe = qEnvironmentVariable("VORNIX_PROGRAM_DIR") + QStringLiteral("/eet-testservice");
        // The service logs each request on stderr; pass it through so a full pipe never blocks it.
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(exe, QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + extra);
        if (!m_process.waitForStarted(10000))
            throw std::runtime_error("eet-testservice did not start: " + exe.toStdString());
        QElapsedTimer t;
        t.start();
        QByteArray out;
        while (t.elapsed() < 15000) {
            m_process.waitForReadyRead(200);
            out += m_process.readAllStandardOutput();
            for (const QByteArray& line : out.split('\n'))
                if (line.startsWith("url "))
                    m_url = QString::fromUtf8(line.mid(4).trimmed());
            if (!m_url.isEmpty())
                return;
            if (m_process.state() != QProcess::Running)
                break;
        }
        throw std::runtime_error("eet-testservice gave no url: " + out.toStdString());
    }
    ~EetTestService()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString url() const { return m_url; }

  private:
    QProcess m_process;
    QString m_url;
};

// A demo taxpayer certificate (PKCS#12, password "eet") made with openssl into `folder`.
inline QString makeDemoCertificate(const QString& folder, const QString& dic = QStringLiteral("CZ1212121218"))
{
    QProcess p;
    p.start(QStringLiteral("sh"),
            {qEnvironmentVariable("VORNIX_SOURCE_DIR") + QStringLiteral("/scripts/make-demo-cert.sh"), folder,
             dic, QStringLiteral("eet")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        throw std::runtime_error("make-demo-cert.sh failed: " + p.readAllStandardError().toStdString());
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    return QString::fromUtf8(lines.last().trimmed());
}
