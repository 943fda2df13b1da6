#pragma once

// What both demo drivers do to set up the simulated machine around the program.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace demo {

// A line of the demo's own, told apart from the program's log.
void say(const QString &text);

bool writeFile(const QString &path, const QByteArray &bytes);

// Starts the loopback firmware server beside the demo with its arguments (port and routes) and
// says where it listens; false when it did not start.
bool startFirmwareServer(QProcess &server, const QString &binFolder, const QStringList &arguments);

// Places the stand-in espflash and its scenario in the program's private tool folder, where
// the program looks first.
bool placeStandInTool(const QString &binFolder, const QByteArray &scenario);

} // namespace demo
