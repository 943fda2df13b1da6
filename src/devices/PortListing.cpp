#include "PortListing.h"

#include "platform/ChildProcess.h"

namespace vexlo {

QCoro::Task<std::optional<QStringList>> listSerialPorts(QString shell, QString command,
                                                        std::chrono::milliseconds timeLimit)
{
    ProcessRequest request{shell, {QStringLiteral("-c"), command}};
    // The shell shares our standard input and error; only its output is read.
    request.forwardStandardError = true;
    request.timeLimit = timeLimit;
    const ProcessResult run = co_await runProcess(std::move(request));
    if (run.timedOut)
        co_return std::nullopt;
    const QString text = QString::fromUtf8(run.standardOutput);
    co_return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace vexlo
