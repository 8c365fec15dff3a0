#pragma once
// The only way to the settings file and the program's folder.
//
// config.ini keeps the private-profile INI rules (case-insensitive names, blanks and one pair of
// enclosing quotes dropped on reading, first duplicate wins, 1024-byte values) with its bytes in
// code page 936. There is no in-memory copy: every read goes to the file, every write edits it.
#include "startup/settingkeys.h"

#include <QString>

// Value of key in section of the file at path, or "" when the file, section or key is missing.
QString ReadIni(const QString& section, const QString& key, const QString& path);

// Stores value under key in section, creating the file, section and key as needed. Silent on
// failure; a failed write leaves the old file as it was.
void WriteIni(const QString& section, const QString& key, const QString& value,
              const QString& path);

// The same for a named setting in config.ini beside the program.
QString ReadIni(const SettingKey& setting);
void WriteIni(const SettingKey& setting, const QString& value);

// The program's folder, ending in exactly one "/".
QString AppDir();

// AppDir() + "config.ini".
QString ConfigPath();

// Tests point the program folder somewhere else; an empty text restores the real one.
void setAppDirForTesting(const QString& dir);
