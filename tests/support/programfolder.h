#pragma once
// A temporary folder that stands in for the program's folder while it lives: AppDir() points at
// it, and the test reads and writes its config.ini as bytes. The real folder comes back when it
// goes out of scope, pass or fail.
#include "startup/atomicfilewriter.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <sys/stat.h>

struct SettingKey;

class ProgramFolder
{
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // config.ini's bytes as they are; empty when there is none.
    QByteArray config() const;
    // Replaces config.ini with exactly these bytes (fails the test when it cannot).
    void writeConfig(const QByteArray& bytes) const;
    bool hasConfig() const;
    // One setting as the program reads it.
    QString read(const SettingKey& setting) const;
    QString read(const char* section, const char* key) const;

private:
    QTemporaryDir dir_;
};

// A file's permission bits (07777), 0 when it cannot be looked up.
inline mode_t modeOf(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Every settings write fails just before its rename, as a crash at that moment would.
class FailingRenames
{
public:
    FailingRenames() { AtomicFileWriter::setFailBeforeRenameForTesting(true); }
    ~FailingRenames() { AtomicFileWriter::setFailBeforeRenameForTesting(false); }
    FailingRenames(const FailingRenames&) = delete;
    FailingRenames& operator=(const FailingRenames&) = delete;
};
