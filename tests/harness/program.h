#pragma once
// The real program (zvkb) in a temporary program folder, started in a harness desktop.
#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTemporaryDir;

namespace harness
{

class Desktop;

// The caption of the program's main window.
inline const QString MainCaption = QStringLiteral("Zelvar快报 ZV6.2");
class ManagedProcess;

struct ProgramOptions {
    std::optional<QByteArray> config{}; // bytes of config.ini; nullopt: no file
    QString executable{};               // another build of the program; empty: zvkb
    QString folder{};                   // use this existing folder instead of a new one
    QStringList args{};                 // command-line arguments
    QProcessEnvironment extraEnv{};     // added to the desktop's environment
};

class Program
{
public:
    using Options = ProgramOptions;

    // Makes the folder now (copy of the build's program folder plus config.ini); start()
    // launches the program. Without a desktop, Desktop::instance() is used.
    explicit Program(const Options& options = {});
    Program(Desktop& desktop, const Options& options);
    ~Program(); // kills the program and its helpers if still running; removes a temp folder
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool start(); // false (with error()) when it would not start
    // The main window once it is mapped; 0 (and a failed test) when it is not there in time.
    quint64 waitForMainWindow(int timeoutMs = 30000) const;
    QString error() const { return error_; }

    QString folder() const { return folder_; }
    QString exePath() const;    // <folder>/zvkb
    QString configPath() const; // <folder>/config.ini
    qint64 pid() const;         // 0 when not started
    bool running() const;
    bool waitForExit(int timeoutMs = 10000);
    int exitCode() const;      // -1 while running or when killed by a signal
    bool crashed() const;      // ended by a signal
    void terminate();          // SIGTERM
    void kill();               // SIGKILL to the program and every helper it started
    QByteArray output() const; // stdout and stderr so far

    bool hasConfig() const;
    QByteArray configBytes() const; // empty when there is no config.ini

    // trace.log in the folder: all lines, the details of one kind, and a bounded wait for a
    // line of `kind` whose detail contains `detailPart`.
    QStringList trace() const;
    QStringList traceOf(const QString& kind) const;
    // The detail of the last line of `kind` (what the program last said of it); empty for none.
    QString lastTrace(const QString& kind) const;
    bool waitForTrace(const QString& kind, const QString& detailPart = {},
                      int timeoutMs = 10000) const;

    // Processes started by the program (QtWebEngineProcess...) alive now, and every one seen
    // since start (collected whenever helpers()/leftovers() run and on exit).
    QList<qint64> helpers() const;
    // Processes of this program (the program itself, its helpers seen so far, anything in its
    // process group) still alive; empty after a clean exit.
    QList<qint64> leftovers() const;

private:
    friend std::unique_ptr<Program> startAgainAndAnswer(Program&, const QProcessEnvironment&);
    void prepareFolder();
    void recordHelpers() const;

    Desktop* desktop_;
    Options options_;
    std::unique_ptr<QTemporaryDir> temp_;
    QString folder_;
    QString error_;
    std::unique_ptr<ManagedProcess> process_;
    mutable QList<qint64> seen_;
    int starts_ = 0;
};

// The member starts the program once more beside `first`, in its folder (so with its settings and
// its lock), with extraEnv added to the environment (another runtime folder, a launcher's startup
// id), and answers the "already running" box the second copy shows, as the member would. Returns
// the second copy, its box answered; nullptr (and a failed test) when no box came.
std::unique_ptr<Program> startAgainAndAnswer(Program& first,
                                             const QProcessEnvironment& extraEnv = {});

} // namespace harness
