#pragma once

#include "platform/Log.h"
#include "platform/Platform.h"

#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

namespace vexlo {

struct FlasherOptions {
    std::optional<QString> resourcesDirectory = platform::resourcesDirectory();
    LogSink log = standardOutputLog();
    // Pauses around the variant line: the board needs time to boot after the reset.
    std::chrono::milliseconds pauseBeforeVariant{500};
    std::chrono::milliseconds pauseAfterVariant{150};
};

// Runs espflash once with the given subcommand arguments and logs what it printed. Returns its
// exit status, or -1 when it could not be located or started.
QCoro::Task<int> runEspflash(QStringList arguments, FlasherOptions options = {});

// Runs the tool at the given location; the global options go in front of the arguments.
QCoro::Task<int> runCommand(QString executable, QStringList arguments, LogSink log);

} // namespace vexlo
