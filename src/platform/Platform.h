#pragma once

#include <QString>
#include <QStringList>

// Everything that differs between operating systems lives here.
namespace vexlo::platform {

// Shell that runs the serial port listing command.
QString listingShell();

// Command that prints one serial device path per line.
QString portListCommand();

// Folders searched for espflash, in order: the programs' private folder (../lib/vexlo-utility
// beside the executable; the bundle's resources on macOS), then the folders on PATH.
QStringList toolSearchPath();

// This system's name in an appcast item's sparkle:os attribute. Inline: the fuzzed feed parser
// is built without the rest of the platform code.
inline QString appcastSystemName()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("macos");
#else
    return QStringLiteral("linux");
#endif
}

// Where downloaded firmware images are kept: a folder only this user can reach.
QString firmwareDirectory();

// The local socket by which a second start finds the running instance, in a folder only this
// user can reach.
QString instanceSocketPath();

// Where the log file is kept: the user's state folder ($XDG_STATE_HOME, by default
// ~/.local/state) on Linux, ~/Library/Logs on macOS.
QString logDirectory();

// A descriptor of its own for writing to what `fd` is open on, on which writes never block: the
// same pipe or terminal opened once more with O_NONBLOCK, so that the flags of the shared one
// (a shell's terminal) stay as they are. -1 where there is none: a regular file never blocks, a
// socket cannot be opened again.
int nonBlockingWriter(int fd);

// Creates the folder (and its parents) if missing and makes it readable by its owner alone.
// False when it cannot be had.
bool makePrivateDirectory(const QString &path);

} // namespace vexlo::platform
