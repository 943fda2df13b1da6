#pragma once

#include "FlasherOptions.h"

#include <QStringList>

#include <QCoro/QCoroTask>

namespace vexlo {

// Runs espflash once with the given subcommand arguments and logs what it printed. Returns its
// exit status, or -1 when it could not be located or started or outlived the time limit.
QCoro::Task<int> runEspflash(QStringList arguments, FlasherOptions options = {});

} // namespace vexlo
