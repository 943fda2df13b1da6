#pragma once

#include "model/CoilexVariant.h"
#include "platform/Log.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vexlo {

// What the board is told for the variant ("STD", "PRO"); nothing for one that needs no line.
std::optional<QString> variantWord(CoilexVariant variant);

// The JSON line that tells the board its variant; empty for a variant that needs none.
QByteArray variantCommand(CoilexVariant variant);

// Sends the variant line to the board at 115200 8N1, raw. True once every byte has left the
// port, or when the variant needs no line; false, with a log line saying why, otherwise. The
// system's words for why go to `why` as well, when given.
bool writeVariant(const QString &port, CoilexVariant variant,
                  const LogSink &log = standardOutputLog(), QString *why = nullptr);

// Raw mode, 8N1, receiver on, modem lines ignored, 115200 baud, reads that never wait; then
// both queues are discarded. False when any setting cannot be applied.
bool configureSerialPort(int fd);

} // namespace vexlo
