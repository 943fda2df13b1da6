#pragma once

#include "model/BoardKind.h"
#include "platform/Log.h"
#include "platform/Platform.h"

#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

namespace vexlo {

// Why a detection found no board kind.
enum class DetectionFailure {
    none,
    toolMissing,    // no espflash where it is looked for
    toolNotStarted, // found but could not be started
    timedOut,       // did not end within the time limit and was stopped
    toolError,      // ended with a nonzero status or by a signal
    notRecognised,  // ended well, but its answer names no chip we know
    portInUse,      // another Vexlo program works on the port; the tool was not run
};

// What one run of "espflash board-info" on a port found.
struct BoardDetection {
    DetectedBoardKind kind = DetectedBoardKind::unknown;
    // The board's factory MAC address as the tool printed it (lower case); absent when it
    // printed none. Tells one board from another on the same port.
    std::optional<QString> macAddress;
    DetectionFailure failure = DetectionFailure::none;
    // The exit status, or the signal number when crashed, of a tool that failed.
    int toolStatus = 0;
    bool crashed = false;
    // Everything the tool printed, or why it could not run.
    QString output;
};

struct BoardDetectionOptions {
    QStringList toolSearchPath = platform::toolSearchPath();
    // board-info is over in seconds; one that hangs must not keep the detection running.
    std::chrono::milliseconds timeLimit{30000};
    // Receives the detection's log lines, already prefixed as the caller wants them.
    LogSink log = standardOutputLog();
};

// Runs "espflash board-info" once on the port and classifies the board it answers for.
QCoro::Task<BoardDetection> detectBoard(QString port, BoardDetectionOptions options);

} // namespace vexlo
