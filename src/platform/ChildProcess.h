#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

namespace vexlo {

struct ProcessRequest {
    QString program;
    QStringList arguments;
    // false: the child's standard input is the null device instead of ours.
    bool inheritStandardInput = true;
    // true: the child writes its errors straight to our standard error; nothing is collected.
    bool forwardStandardError = false;
    // A child still running after this long is killed together with everything it started: it
    // runs in a process group of its own, and the whole group gets SIGKILL. Without a limit the
    // group is still ended when the program ends or abandons the run.
    std::optional<std::chrono::milliseconds> timeLimit;
    // Called with each chunk as it arrives, while the child runs.
    std::function<void(const QByteArray &)> onStandardOutput;
    std::function<void(const QByteArray &)> onStandardError;
};

struct ProcessResult {
    bool started = false;
    QString launchError;   // the system's description, when not started
    int status = -1;       // exit status, or the signal number of a child killed by one
    bool crashed = false;  // ended by a signal rather than by exit
    bool timedOut = false; // killed because it outlived its time limit
    QByteArray standardOutput;
    QByteArray standardError;
};

// Standard output, a line feed, standard error, with white space trimmed from both ends; invalid
// UTF-8 becomes U+FFFD.
QString combinedOutput(const ProcessResult &result);

// "5 s", "0.3 s": a time limit as the log shows it.
QString secondsText(std::chrono::milliseconds duration);

// Kills the process group of every child of runProcess still running. Needs no lock and no
// allocation: the program calls it on every way out, std::terminate included.
void endAllChildProcesses();

// Runs one child process to its end without blocking the calling thread's event loop. Both pipes
// are drained while the child runs, so a child that writes more than a pipe holds never stalls.
// Without a time limit the child is never killed.
QCoro::Task<ProcessResult> runProcess(ProcessRequest request);

} // namespace vexlo
