#include "CommandRunner.h"

#include "ChildProcess.h"
#include "EspflashTool.h"

namespace vexlo {

QCoro::Task<int> runEspflash(QStringList arguments, FlasherOptions options)
{
    const auto tool = espflash::location(options.resourcesDirectory);
    if (!tool)
        co_return -1;
    co_return co_await runCommand(*tool, arguments, options.log);
}

QCoro::Task<int> runCommand(QString executable, QStringList arguments, LogSink log)
{
    ProcessRequest request{executable, espflash::withGlobalOptions(arguments)};
    const ProcessResult run = co_await runProcess(std::move(request));
    if (!run.started) {
        log(QStringLiteral("espflash: Failed to run command ") + arguments.join(QLatin1Char(' '))
            + QStringLiteral(" \u2014 ") + run.launchError);
        co_return -1;
    }
    const QString output = combinedOutput(run);
    if (!output.isEmpty())
        log(QStringLiteral("espflash (cmd output)\n ") + output);
    co_return run.status;
}

} // namespace vexlo
