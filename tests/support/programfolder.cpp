#include "support/programfolder.h"

#include "startup/settings.h"

#include <QFile>
#include <gtest/gtest.h>

ProgramFolder::ProgramFolder()
{
    EXPECT_TRUE(dir_.isValid()) << dir_.errorString().toStdString();
    setAppDirForTesting(dir_.path());
}

ProgramFolder::~ProgramFolder()
{
    setAppDirForTesting(QString());
}

QByteArray ProgramFolder::config() const
{
    QFile f(ConfigPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ProgramFolder::writeConfig(const QByteArray& bytes) const
{
    QFile f(ConfigPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

bool ProgramFolder::hasConfig() const
{
    return QFile::exists(ConfigPath());
}

QString ProgramFolder::read(const SettingKey& setting) const
{
    return ReadIni(setting);
}

QString ProgramFolder::read(const char* section, const char* key) const
{
    return ReadIni(QString::fromUtf8(section), QString::fromUtf8(key), ConfigPath());
}
