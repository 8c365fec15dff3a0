#pragma once
// Where a member's own files live: settings, own alert sounds, the temporary folder.
//
// A program folder that is the member's own (the portable folder) keeps everything beside the
// program, exactly as it always has. Any other folder (the program installed for every member of
// the machine, /usr/lib/zvkb; a folder shared with a group, such as a group-writable /opt/zvkb)
// sends them to the member's own folders by the XDG base directory rules: config.ini, the member's
// own ts.wav / ts1.wav / ts2.wav and a test build's trace.log in $XDG_CONFIG_HOME/zvkb/
// (~/.config/zvkb/), the folder dat in $XDG_CACHE_HOME/zvkb/dat/ (~/.cache/zvkb/dat/). The program
// decides once, at start-up.
#include <QString>

class MemberFolders
{
public:
    // The parts of the member's environment the XDG rules read.
    struct Environment {
        QString configHome; // $XDG_CONFIG_HOME
        QString cacheHome;  // $XDG_CACHE_HOME
        QString home;       // $HOME (or the passwd entry's when it is unset)
    };

    // What decides whether a program folder is the member's portable folder.
    struct FolderFacts {
        QString path; // absolute, as the program runs from it
        bool exists = false;
        uint owner = 0;        // st_uid
        uint group = 0;        // st_gid
        uint mode = 0;         // st_mode & 07777
        bool writable = false; // by the member, asked with the process's effective ids
    };

    // programDir ends in "/". A member folder comes from its XDG variable when that is an
    // absolute path, else from home.
    static MemberFolders decide(const QString& programDir, bool portable, const Environment& env);
    // The program's folder given, the member's as this process sees them.
    static MemberFolders forProgramDir(const QString& programDir);

    // The portable rule: the member may write into the folder and it is the member's own: owned
    // by the member, writable by no one else (neither others nor a group other than the
    // member's own), not a sticky shared folder, and not part of the system's installed files
    // (below /usr), which root owns as well.
    static bool isPortable(const FolderFacts& folder, uint memberUid, uint memberGid);
    // The sharing part of that rule: no one but the member may write into the folder (owned by
    // the member, not sticky, writable neither by others nor by a group but the member's own).
    // What lies in such a folder cannot be made, replaced or taken away by another user.
    static bool sharedWithNobody(const FolderFacts& folder, uint memberUid, uint memberGid);
    static FolderFacts factsOf(const QString& dir);
    // The folder dir as it is now is shared with nobody but the member running the program.
    static bool isMembersAlone(const QString& dir);

    // Whether this process, with its effective ids, may create and replace files in dir.
    static bool writableByMember(const QString& dir);
    static Environment environment();

    bool portable() const { return portable_; }
    // Both end in exactly one "/".
    const QString& settingsDir() const { return settingsDir_; }
    const QString& datDir() const { return datDir_; }

    // Creates the member's folders that are missing, each new one 0700. Nothing to do for the
    // portable folder: its dat comes with it, and none is made there.
    void create() const;

private:
    bool portable_ = true;
    QString settingsDir_;
    QString datDir_;
};
