#pragma once
// The only way to the settings file, the program's folder and the member's folders.
//
// config.ini keeps the private-profile INI rules (case-insensitive names, blanks and one pair of
// enclosing quotes dropped on reading, first duplicate wins, 1024-byte values) with its bytes in
// code page 936. There is no in-memory copy: every read goes to the file, every write edits it.
#include "startup/memberfolders.h"
#include "startup/settingkeys.h"

#include <QString>
#include <optional>

// Value of key in section of the file at path, or "" when the file, section or key is missing.
QString ReadIni(const QString& section, const QString& key, const QString& path);

// Stores value under key in section, creating the file, section and key as needed. False when the
// file could not be read or replaced (a folder the member may not write into, a full disk); a
// failed write leaves the old file as it was.
bool WriteIni(const QString& section, const QString& key, const QString& value,
              const QString& path);

// The same for a named setting in the member's config.ini.
QString ReadIni(const SettingKey& setting);
bool WriteIni(const SettingKey& setting, const QString& value);

// The program's folder, ending in exactly one "/": where the program and its own files are.
QString AppDir();

// Where this member's files are (see memberfolders.h), decided from AppDir() on the first call
// and kept for the life of the process; the first call also makes the member's folders.
const MemberFolders& Member();

// Member().settingsDir() + "config.ini": beside the program in the portable folder.
QString ConfigPath();

// The member's own copy of a sound file when there is one, else the program's.
QString SoundPath(const QString& fileName);

// Tests point the program folder somewhere else; an empty text restores the real one. The member's
// folders are decided again from it, unless a test sets them itself (nullopt: decide again).
void setAppDirForTesting(const QString& dir);
void setMemberFoldersForTesting(const std::optional<MemberFolders>& folders);
