#pragma once
// Where a member's own files live: settings, own alert sounds, the temporary folder.
//
// A program folder the member may write into (the portable folder) keeps everything beside the
// program, exactly as it always has. A folder the member may not write into (the program
// installed for every member of the machine, /usr/lib/zvkb) sends them to the member's own
// folders by the XDG base directory rules: config.ini, the member's own ts.wav / ts1.wav /
// ts2.wav and a test build's trace.log in $XDG_CONFIG_HOME/zvkb/ (~/.config/zvkb/), the folder
// dat in $XDG_CACHE_HOME/zvkb/dat/ (~/.cache/zvkb/dat/). The program decides once, at start-up.
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

    // programDir ends in "/". A member folder comes from its XDG variable when that is an
    // absolute path, else from home.
    static MemberFolders decide(const QString& programDir, bool programDirWritable,
                                const Environment& env);
    // The program's folder given, the member's as this process sees them.
    static MemberFolders forProgramDir(const QString& programDir);

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
