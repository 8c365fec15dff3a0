#pragma once
// This test program run again as a child, to play a small desktop application or a second
// harness user: the child runs one test named by `filter`, which does its part only when
// ZV_HARNESS_CHILD says so (and is skipped in a normal run).
#include "harness/managedprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>

#include <memory>

inline QString childRole()
{
    return qEnvironmentVariable("ZV_HARNESS_CHILD");
}

inline std::unique_ptr<harness::ManagedProcess> startChild(const QString& filter,
                                                           const QString& role,
                                                           QProcessEnvironment env,
                                                           const QString& logPath)
{
    env.insert(QStringLiteral("ZV_HARNESS_CHILD"), role);
    auto child = std::make_unique<harness::ManagedProcess>(role, logPath);
    child->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=") + filter}, env);
    return child;
}
