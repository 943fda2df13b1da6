#pragma once

#include <QString>

#include <optional>

// Everything that differs between operating systems lives here.
namespace vexlo::platform {

// Shell that runs the serial port listing command.
QString listingShell();

// Command that prints one serial device path per line.
QString portListCommand();

// Directory beside the program that holds the espflash tool; absent when it does not exist.
std::optional<QString> resourcesDirectory();

// Where downloaded firmware images are kept: a folder only this user can reach.
QString firmwareDirectory();

// The local socket by which a second start finds the running instance, in a folder only this
// user can reach.
QString instanceSocketPath();

// The folder of the program's log files: $XDG_STATE_HOME/vexlo-utility, by default
// ~/.local/state/vexlo-utility.
QString logDirectory();

// Creates the folder (and its parents) if missing and makes it readable by its owner alone.
// False when it cannot be had.
bool makePrivateDirectory(const QString &path);

} // namespace vexlo::platform
