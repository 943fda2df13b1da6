#pragma once

#include "FlasherOptions.h"

#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

namespace vexlo {

// Runs espflash once with the given subcommand arguments and logs what it printed. Returns its
// exit status, or -1 when it could not be located or started or outlived the time limit.
QCoro::Task<int> runEspflash(QStringList arguments, FlasherOptions options = {});

// Runs the tool at the given location; the global options go in front of the arguments.
QCoro::Task<int> runCommand(QString executable, QStringList arguments, LogSink log,
                            std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);

} // namespace vexlo
