#include "harness/program.h"

#include "harness/desktop.h"
#include "harness/managedprocess.h"
#include "harness/windows.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace harness
{

namespace
{

// Copies the build's program folder, leaving out what a run there left behind.
bool copyProgramFolder(const QString& from, const QString& to, QString* error)
{
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = source.relativeFilePath(path);
        if (rel == QLatin1String("config.ini") || rel == QLatin1String("trace.log"))
            continue;
        const QFileInfo info(path);
        const QString target = QDir(to).filePath(rel);
        if (info.isDir()) {
            QDir().mkpath(target);
            continue;
        }
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::copy(path, target)) {
            *error = QStringLiteral("cannot copy %1 to %2").arg(path, target);
            return false;
        }
        QFile::setPermissions(target, info.permissions());
    }
    return true;
}

QStringList traceLines(const QString& folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("trace.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

Program::Program(const Options& options) : Program(desktop(), options) {}

Program::Program(Desktop& desktop, const Options& options)
    : desktop_(&desktop), options_(options),
      temp_(
          std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zv-program-XXXXXX")))
{
    prepareFolder();
}

Program::~Program()
{
    if (process_) {
        kill();
        const QList<qint64> left = leftovers();
        if (!left.isEmpty())
            ADD_FAILURE() << "processes of the program survived it: " << left.size();
    }
}

void Program::prepareFolder()
{
    if (!temp_->isValid()) {
        error_ = QStringLiteral("cannot make a temporary folder: ") + temp_->errorString();
        return;
    }
    if (!options_.folder.isEmpty()) {
        folder_ = QDir(options_.folder).absolutePath();
    } else {
        folder_ = temp_->filePath(QStringLiteral("zvkb"));
        QDir().mkpath(folder_);
        if (!copyProgramFolder(QStringLiteral(ZV_BIN_DIR), folder_, &error_))
            return;
        // The copied executable of a test build; always the one just built.
        const QString exe =
            options_.executable.isEmpty() ? QStringLiteral(ZV_PROGRAM_EXE) : options_.executable;
        QFile::remove(exePath());
        if (!QFile::copy(exe, exePath())) {
            error_ = QStringLiteral("cannot copy ") + exe;
            return;
        }
        QFile::setPermissions(exePath(), QFileInfo(exe).permissions());
        QDir(folder_).mkpath(QStringLiteral("dat"));
    }
    if (options_.config) {
        QFile f(configPath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(*options_.config) != options_.config->size())
            error_ = QStringLiteral("cannot write ") + configPath();
    }
}

bool Program::start()
{
    if (!error_.isEmpty())
        return false;
    if (running()) {
        error_ = QStringLiteral("already running");
        return false;
    }
    if (!desktop_->started()) {
        error_ = QStringLiteral("the headless desktop is not running: ") + desktop_->error();
        return false;
    }
    QProcessEnvironment env = desktop_->environment();
    for (const QString& k : options_.extraEnv.keys())
        env.insert(k, options_.extraEnv.value(k));
    const QString log = temp_->filePath(QStringLiteral("output-%1.log").arg(++starts_));
    process_ = std::make_unique<ManagedProcess>(QStringLiteral("zvkb"), log);
    seen_.clear();
    if (!process_->start(exePath(), options_.args, env, folder_)) {
        error_ = process_->error();
        process_.reset();
        return false;
    }
    return true;
}

quint64 Program::waitForMainWindow(int timeoutMs) const
{
    return waitForWindow(MainCaption, timeoutMs, pid());
}

QString Program::exePath() const
{
    return QDir(folder_).filePath(QStringLiteral("zvkb"));
}

QString Program::configPath() const
{
    return QDir(folder_).filePath(QStringLiteral("config.ini"));
}

qint64 Program::pid() const
{
    return process_ ? process_->pid() : 0;
}

bool Program::running() const
{
    if (!process_)
        return false;
    recordHelpers();
    return process_->running();
}

bool Program::waitForExit(int timeoutMs)
{
    if (!process_)
        return true;
    const bool ended = waitUntil(
        [&] {
            recordHelpers();
            return !process_->running();
        },
        timeoutMs, 50);
    if (!ended)
        ADD_FAILURE() << "the program is still running after " << timeoutMs << " ms";
    return ended;
}

int Program::exitCode() const
{
    return process_ ? process_->exitCode() : -1;
}

bool Program::crashed() const
{
    return process_ && process_->crashed();
}

void Program::terminate()
{
    if (process_ && process_->running())
        ::kill(static_cast<pid_t>(process_->pid()), SIGTERM);
}

void Program::kill()
{
    if (!process_)
        return;
    recordHelpers();
    // The program itself first: a stop begins with SIGTERM to its group, which the program
    // would take as a request to end in order.
    if (process_->running())
        ::kill(static_cast<pid_t>(process_->pid()), SIGKILL);
    for (qint64 p : std::as_const(seen_))
        ::kill(static_cast<pid_t>(p), SIGKILL);
    process_->stop(0);
    for (qint64 p : std::as_const(seen_))
        ::kill(static_cast<pid_t>(p), SIGKILL);
    waitUntil([&] { return leftovers().isEmpty(); }, 5000, 50);
}

QByteArray Program::output() const
{
    return process_ ? process_->log() : QByteArray();
}

bool Program::hasConfig() const
{
    return QFileInfo::exists(configPath());
}

QByteArray Program::configBytes() const
{
    QFile f(configPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QStringList Program::trace() const
{
    return traceLines(folder_);
}

QStringList Program::traceOf(const QString& kind) const
{
    QStringList details;
    const QString prefix = kind + QLatin1Char('\t');
    for (const QString& line : trace()) {
        if (line.startsWith(prefix))
            details.append(line.mid(prefix.size()));
    }
    return details;
}

QString Program::lastTrace(const QString& kind) const
{
    const QStringList said = traceOf(kind);
    return said.isEmpty() ? QString() : said.constLast();
}

bool Program::waitForTrace(const QString& kind, const QString& detailPart, int timeoutMs) const
{
    const bool ok = waitUntil(
        [&] {
            for (const QString& d : traceOf(kind)) {
                if (d.contains(detailPart))
                    return true;
            }
            return false;
        },
        timeoutMs, 50);
    if (!ok)
        ADD_FAILURE() << "no trace line \"" << kind.toStdString() << "\t…"
                      << detailPart.toStdString() << "…\" within " << timeoutMs
                      << " ms; trace.log:\n"
                      << trace().join(QLatin1Char('\n')).toStdString();
    return ok;
}

void Program::recordHelpers() const
{
    if (!process_ || process_->pid() == 0)
        return;
    for (qint64 p : descendantsOf(process_->pid())) {
        if (!seen_.contains(p))
            seen_.append(p);
    }
}

QList<qint64> Program::helpers() const
{
    recordHelpers();
    if (!process_)
        return {};
    return descendantsOf(process_->pid());
}

QList<qint64> Program::leftovers() const
{
    QList<qint64> left;
    if (!process_)
        return left;
    recordHelpers();
    const qint64 main = process_->pid();
    if (process_->running())
        left.append(main);
    for (qint64 p : std::as_const(seen_)) {
        if (processAlive(p) && !left.contains(p))
            left.append(p);
    }
    for (qint64 p : processesInGroup(main)) {
        if (!left.contains(p))
            left.append(p);
    }
    return left;
}

std::unique_ptr<Program> startAgainAndAnswer(Program& first, const QProcessEnvironment& extraEnv)
{
    auto second = std::make_unique<Program>(
        *first.desktop_, Program::Options{.folder = first.folder(), .extraEnv = extraEnv});
    if (!second->start()) {
        ADD_FAILURE() << second->error().toStdString();
        return nullptr;
    }
    const WindowId box = waitForWindow(QStringLiteral("提醒"), 20000, second->pid());
    if (box == 0) {
        ADD_FAILURE() << "the second copy showed no box\n" << describeWindows().toStdString();
        return nullptr;
    }
    key(box, QStringLiteral("Return"));
    return second;
}

} // namespace harness
