#pragma once

#include "FirmwareServer.h"
#include "platform/Async.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>

namespace vexlo {

// The window state's two cells that the version query uses, as callbacks the state provides.
// They are called after the query's waits, so they must stay safe to call (for instance by
// guarding the state with a QPointer) for as long as the task runs.
struct LatestVersionCell {
    std::function<void(const QString &)> setLatestFirmwareVersion;
    std::function<bool()> shouldRefreshLatest;
};

// Shown when the newest version is not known.
inline constexpr char unknownFirmwareVersion[] = "0.0.0";

// Asks the firmware server for the newest published version and writes it, or "0.0.0" on any
// failure, exactly once per call. A cancelled task asks nothing and writes "0.0.0".
QCoro::Task<> fetchLatestFirmwareVersion(LatestVersionCell cell, CancelTokenPtr cancel = {},
                                         FirmwareServer server = {});

// Queries at once and then once a minute while the cell wants refreshing and the task is not
// cancelled. Cancelling ends the pause at once; one more query follows, then the loop ends.
QCoro::Task<>
pollLatestFirmwareVersion(LatestVersionCell cell, CancelTokenPtr cancel, FirmwareServer server = {},
                          std::chrono::milliseconds interval = std::chrono::seconds(60));

} // namespace vexlo
