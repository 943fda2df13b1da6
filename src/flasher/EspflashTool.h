#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vexlo::espflash {

// The tool lies in the resources directory; without that directory there is no tool to run.
std::optional<QString> location(const std::optional<QString> &resourcesDirectory);

// Every command line starts with the global "-S" option, in front of the subcommand.
QStringList withGlobalOptions(const QStringList &arguments);

// The subcommands, without the global options.
QStringList writeBinArguments(const QString &port, const QString &imagePath);
QStringList resetArguments(const QString &port);
QStringList boardInfoArguments(const QString &port);

} // namespace vexlo::espflash
