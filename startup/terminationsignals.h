#pragma once
// The requests to end that reach a process as signals: SIGTERM (logout, shutdown, kill), SIGHUP
// (the terminal went away) and SIGINT (Ctrl+C). While an object of this class lives, each of them
// becomes the received() signal on the user-interface thread, where the program can end as it
// does at the end of the desktop session, instead of dying on the spot. A signal the process was
// started ignoring (nohup) stays ignored; what each signal did before comes back at the end.
//
// The signal handler only writes the signal's number into a pipe; the rest happens when the event
// loop reads it.
#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the signals' earlier handling back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};
