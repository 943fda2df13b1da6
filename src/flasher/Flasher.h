#pragma once

#include "FlasherOptions.h"
#include "model/CoilexVariant.h"

#include <QString>

#include <QCoro/QCoroTask>

namespace vexlo {

// The step of an install that did not happen, and why.
enum class FlashFailure {
    none,
    refused,        // the install did not start the tool: no port, or a board not recognised
    toolMissing,    // no espflash where it is looked for
    imageMissing,   // the image file is gone
    portMissing,    // the port was not there when the write was to start
    toolNotStarted, // espflash could not be started
    toolFailed,     // espflash ended with a nonzero status or by a signal
    portVanished,   // espflash failed and the port was gone afterwards: the board was unplugged
    variantNotSent, // the image is on the board, the variant line did not reach it
    portInUse,      // another Vexlo program works on the port; nothing was started
};

// What one flashing run did to the board.
struct FlashOutcome {
    bool imageWritten = false;
    bool variantDelivered = false; // also true for a variant that needs no line
    FlashFailure failure = FlashFailure::none;
    int toolStatus = 0; // the write's exit status, or its signal number when crashed
    bool crashed = false;
    QString reason; // the system's words, where it gave any (a launch error, a serial error)

    bool succeeded() const { return failure == FlashFailure::none; }
};

// Writes the image to the board on the port with espflash and, for the variants that need it,
// resets the board, sends the variant line and resets it again. Succeeds only when the image was
// written and the variant, if any, was configured.
QCoro::Task<FlashOutcome> flash(QString binPath, QString port, CoilexVariant variant,
                                FlasherOptions options = {});

} // namespace vexlo
