#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real FTP server (pyftpdlib) on 127.0.0.1 serving a temporary folder; stopped with the object.
class LocalFtpServer
{
  public:
    struct Options {
        QString user = QStringLiteral("quenby");
        QString password = QStringLiteral("608391qtz");
        QString stallOn;   // a command word on which the server stops answering
        QString shortFile; // a file announced larger than it is (partial transfer)
    };
    explicit LocalFtpServer(const Options& options);
    LocalFtpServer() : LocalFtpServer(Options{}) {}
    ~LocalFtpServer();

    bool isRunning() const { return m_port != 0; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    QString root() const { return m_root.path(); }
    // Writes a file below the served folder (folders created as needed).
    void put(const QString& relativePath, const QByteArray& bytes);
    // Command words received so far, in order.
    QStringList commands() const;

  private:
    QTemporaryDir m_root;
    QTemporaryDir m_work;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};
