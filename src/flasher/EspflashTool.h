#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vexlo::espflash {

// The first executable "espflash" in the folders, in their order; absent when none holds one.
std::optional<QString> location(const QStringList &searchPath);

// What the log and the detection say when location() found nothing: where it looked.
QString notFoundMessage(const QStringList &searchPath);

// Every command line starts with the global "-S" option, in front of the subcommand.
QStringList withGlobalOptions(const QStringList &arguments);

// The subcommands, without the global options.
QStringList writeBinArguments(const QString &port, const QString &imagePath);
QStringList resetArguments(const QString &port);
QStringList boardInfoArguments(const QString &port);

} // namespace vexlo::espflash
