#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class BusyIndicator;
class Clock;
class Prompt;

// What the update command needs from the window around it.
struct UpdateHooks {
    Prompt* prompt = nullptr;
    BusyIndicator* busy = nullptr;       // shown in interactive mode
    const Clock* clock = nullptr;        // time of the update log line
    std::function<void()> processEvents; // lets pending window messages run
    std::function<void()> closeSplash;   // start mode: the splash closes when the check is done
    std::function<void()> closeProgram;  // after the installer started: the usual closing steps
    // Starts the installer without waiting; the default starts a detached process.
    std::function<bool(const QString& program, const QStringList& arguments, const QString& workingDir)>
        startProgram;
    QString programDir;      // default: programFolder()
    QString executable;      // default: the running executable
    int timeoutSeconds = 60; // each FTP operation
};

// The message shown before the installer takes over.
QString updateNoticeText();

// The update log line: "dd.mm.yyyy H:mm:ss - NOVÁ VERZE programu: " and the four-part version.
QString updateLogLine(const QDateTime& now, const QString& version);

// The update command: start mode (true) runs silently from the start-up timer and closes the
// splash; interactive mode (false) shows the busy form and reports when nothing newer was
// found. Reads "eet.ini", runs the update check and, with a newer version, records it in
// "updlog/vornix.log", tells the operator, starts the installer with /DIR="<program folder>/"
// and closes the program. Returns the check's result letter ("A", "N" or "E").
QString Aktualizaceprogr(bool startMode, const UpdateHooks& hooks);
