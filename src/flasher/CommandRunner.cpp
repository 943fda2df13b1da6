#include "CommandRunner.h"

#include "EspflashTool.h"

namespace vexlo {

QCoro::Task<int> runEspflash(QStringList arguments, FlasherOptions options)
{
    const LogSink &log = options.log;
    espflash::RunOptions runOptions;
    runOptions.timeLimit = options.commandTimeLimit;
    const espflash::ToolRun tool =
        co_await espflash::run(options.toolSearchPath, arguments, std::move(runOptions));
    if (!tool.found()) {
        log(espflash::notFoundMessage(options.toolSearchPath));
        co_return -1;
    }
    const ProcessResult &run = tool.process;
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
            + QStringLiteral(" did not end within ") + secondsText(options.commandTimeLimit)
            + QStringLiteral(" and was stopped"));
        co_return -1;
    }
    co_return run.status;
}

} // namespace vexlo
