#pragma once

#include <QString>

// The "LogOn" section of "eet.ini": where and how the update check reaches the vendor's server.
struct UpdateConfig {
    QString host;
    QString port;
    QString user;
    QString password;
    bool passive = true;
};

// The vendor's FTP host. The reserved ".invalid" name fails at once, without a network
// round trip, until a real endpoint is configured in "eet.ini".
inline const char* const defaultUpdateHost = "ftp.vornix.invalid";

// Reads one key of a Windows-style INI file: section and key names match without regard to
// case, the value is the text after the first '=', trimmed. Returns fallback when the file,
// the section or the key is missing; a key present with an empty value gives "".
QString readIniString(const QString& file, const QString& section, const QString& key,
                      const QString& fallback);

// Reads the five keys of section "LogOn" with their defaults; passive only for exactly "True".
UpdateConfig readUpdateConfig(const QString& iniFile);
