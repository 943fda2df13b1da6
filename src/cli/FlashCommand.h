#pragma once

#include <QStringList>

namespace vexlo::cli {

// The whole program from its arguments to its exit status: 0 every board installed, 1 any
// failed or no port found, 2 a usage error.
int runFlashCommand(const QStringList &arguments);

} // namespace vexlo::cli
