#pragma once

#include "platform/ChildProcess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

namespace vexlo::espflash {

// The first executable "espflash" in the folders, in their order; absent when none holds one.
std::optional<QString> location(const QStringList &searchPath);

// What the log and the detection say when location() found nothing: where it looked.
QString notFoundMessage(const QStringList &searchPath);

// Every command line starts with the global "-S" option, in front of the subcommand.
QStringList withGlobalOptions(const QStringList &arguments);

// The subcommands, without the global options.
QStringList writeBinArguments(const QString &port, const QString &imagePath);
QStringList resetArguments(const QString &port);
QStringList boardInfoArguments(const QString &port);

// How one run of the tool goes: its bound, its standard input, and who sees its output live.
struct RunOptions {
    std::optional<std::chrono::milliseconds> timeLimit;
    bool inheritStandardInput = true;
    std::function<void(const QByteArray &)> onStandardOutput;
    std::function<void(const QByteArray &)> onStandardError;
};

// One run of the tool: where it was found (absent when nowhere) and how the process went.
struct ToolRun {
    std::optional<QString> tool;
    ProcessResult process;

    bool found() const { return tool.has_value(); }
};

// Every run of espflash goes through these two: the tool at a known place, or the first one in
// the folders. The global options go in front of the subcommand's arguments.
QCoro::Task<ProcessResult> runAt(QString tool, QStringList subcommandArguments,
                                 RunOptions options = {});
QCoro::Task<ToolRun> run(QStringList searchPath, QStringList subcommandArguments,
                         RunOptions options = {});

} // namespace vexlo::espflash
