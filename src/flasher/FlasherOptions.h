#pragma once

#include "platform/Log.h"
#include "platform/Platform.h"

#include <QStringList>

#include <chrono>

namespace vexlo {

// Where the tool lies, where the log goes, and the run's pauses and bounds. The defaults are the
// program's own; tests shorten the waits.
struct FlasherOptions {
    QStringList toolSearchPath = platform::toolSearchPath();
    LogSink log = standardOutputLog();
    // Pauses around the variant line: the board needs time to boot after the reset.
    std::chrono::milliseconds pauseBeforeVariant{500};
    std::chrono::milliseconds pauseAfterVariant{150};
    // A reset is over in a second or two; one that hangs must not keep the install running.
    std::chrono::milliseconds commandTimeLimit{30000};
};

} // namespace vexlo
