#pragma once
// Another user of the machine, for tests of what another user can and cannot do: a child process
// that runs as nobody (65534), without groups. Only root can start one; tests skip otherwise.
#include <QProcess>
#include <functional>
#include <grp.h>
#include <unistd.h>

// Makes child run as nobody when it starts. thenInChild runs after that, before the child's
// program (a failure makes the start fail); it may only make system calls, since the child is a
// copy of a process with threads. What it opens stays open in the child's program.
inline void runAsNobody(QProcess& child, std::function<bool()> thenInChild = {})
{
    child.setChildProcessModifier([thenInChild] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            (thenInChild && !thenInChild()))
            ::_exit(126);
    });
}
