#include "CommandRunner.h"

#include "EspflashTool.h"
#include "platform/ChildProcess.h"

namespace vexlo {

QCoro::Task<int> runEspflash(QStringList arguments, FlasherOptions options)
{
    const auto tool = espflash::location(options.toolSearchPath);
    if (!tool) {
        options.log(espflash::notFoundMessage(options.toolSearchPath));
        co_return -1;
    }
    co_return co_await runCommand(*tool, arguments, options.log, options.commandTimeLimit);
}

QCoro::Task<int> runCommand(QString executable, QStringList arguments, LogSink log,
                            std::optional<std::chrono::milliseconds> timeLimit)
{
    ProcessRequest request{executable, espflash::withGlobalOptions(arguments)};
    request.timeLimit = timeLimit;
    const ProcessResult run = co_await runProcess(std::move(request));
    const QString commandLine = arguments.join(QLatin1Char(' '));
    if (!run.started) {
        log(QStringLiteral("espflash: Failed to run command ") + commandLine
            + QStringLiteral(" \u2014 ") + run.launchError);
        co_return -1;
    }
    const QString output = combinedOutput(run);
    if (!output.isEmpty())
        log(QStringLiteral("espflash (cmd output)\n ") + output);
    if (run.timedOut) {
        log(QStringLiteral("espflash: Command ") + commandLine
            + QStringLiteral(" did not end within ") + secondsText(*timeLimit)
            + QStringLiteral(" and was stopped"));
        co_return -1;
    }
    co_return run.status;
}

} // namespace vexlo
