#pragma once

#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

namespace vexlo {

// Runs the listing command once and returns the device paths it prints, one per line; nothing
// when it did not end within the time limit (it is then killed with everything it started). A
// shell that cannot be started lists no ports.
QCoro::Task<std::optional<QStringList>> listSerialPorts(QString shell, QString command,
                                                        std::chrono::milliseconds timeLimit);

} // namespace vexlo
