#include "EspflashTool.h"

#include <QDir>
#include <QFileInfo>

namespace vexlo::espflash {

std::optional<QString> location(const QStringList &searchPath)
{
    for (const QString &folder : searchPath) {
        const QFileInfo tool(QDir(folder).filePath(QStringLiteral("espflash")));
        if (tool.isFile() && tool.isExecutable())
            return tool.absoluteFilePath();
    }
    return std::nullopt;
}

QString notFoundMessage(const QStringList &searchPath)
{
    return QStringLiteral("espflash not found; looked in: ")
        + searchPath.join(QStringLiteral(", "));
}

QStringList withGlobalOptions(const QStringList &arguments)
{
    return QStringList{QStringLiteral("-S")} + arguments;
}

QStringList writeBinArguments(const QString &port, const QString &imagePath)
{
    return {QStringLiteral("write-bin"),
            QStringLiteral("--baud"),
            QStringLiteral("921600"),
            QStringLiteral("--port"),
            port,
            QStringLiteral("0x0"),
            imagePath};
}

QStringList resetArguments(const QString &port)
{
    return {QStringLiteral("reset"), QStringLiteral("--port"), port};
}

QStringList boardInfoArguments(const QString &port)
{
    return {QStringLiteral("board-info"), QStringLiteral("--port"), port};
}

QCoro::Task<ProcessResult> runAt(QString tool, QStringList subcommandArguments, RunOptions options)
{
    ProcessRequest request{tool, withGlobalOptions(subcommandArguments)};
    request.timeLimit = options.timeLimit;
    request.inheritStandardInput = options.inheritStandardInput;
    request.onStandardOutput = std::move(options.onStandardOutput);
    request.onStandardError = std::move(options.onStandardError);
    co_return co_await runProcess(std::move(request));
}

QCoro::Task<ToolRun> run(QStringList searchPath, QStringList subcommandArguments,
                         RunOptions options)
{
    ToolRun result;
    result.tool = location(searchPath);
    if (result.tool)
        result.process =
            co_await runAt(*result.tool, std::move(subcommandArguments), std::move(options));
    co_return result;
}

} // namespace vexlo::espflash
