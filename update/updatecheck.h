#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Everything the update check needs: the server, the fixed names on it, and where the files go.
struct UpdateCheckParams {
    QString host;
    QString port = QStringLiteral("21");
    QString user;
    QString password;
    bool passive = true;
    QString folder = QStringLiteral("quenby/eet");
    QString versionFile = QStringLiteral("setupvornixnv.ver");
    QString installer = QStringLiteral("setupvornixnv.exe");
    int timeoutSeconds = 60;    // each FTP operation
    QString programDir;         // verze.log here, the FTP log in ../ftplog
    QString downloadDir;        // the downloaded version file and installer
    QString executable;         // its last-write time is the local version
    std::function<void()> pump; // lets window messages run while the client waits
};

struct UpdateCheckOutcome {
    QString result;  // "A" newer installer downloaded, "N" nothing newer, "E" a step failed
    QStringList log; // the FTP log as written
    QString localVersion;
    QString serverVersion;
    QString installerPath; // the complete installer (result "A" only)
};

// The FTP exchange: log in, change to the folder, "TYPE I", fetch the version file, compare it
// with the executable's time stamp and, when the server's is later, fetch the installer. Files
// are written under a temporary name and renamed only when complete. Writes "verze.log" when
// the version file arrived and always the FTP log "<programDir>/../ftplog/vtarvel.log".
UpdateCheckOutcome runUpdateCheck(const UpdateCheckParams& params);

// The FTP log's place for a program folder: the folder "ftplog" beside the program folder.
QString ftpLogFile(const QString& programDir);
