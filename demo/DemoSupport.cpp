#include "DemoSupport.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace demo {

void say(const QString &text)
{
    std::printf("[demo] %s\n", qPrintable(text));
    std::fflush(stdout);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

bool startFirmwareServer(QProcess &server, const QString &binFolder, const QStringList &arguments)
{
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(binFolder + QStringLiteral("/vexlo-loopback-server"), arguments);
    if (!server.waitForReadyRead(5000)) {
        say(QStringLiteral("the local firmware server did not start"));
        return false;
    }
    say(QStringLiteral("firmware server ") + QString::fromUtf8(server.readAll()).trimmed());
    return true;
}

bool placeStandInTool(const QString &binFolder, const QByteArray &scenario)
{
    const QString toolFolder = QDir::cleanPath(binFolder + QStringLiteral("/../lib/vexlo-utility"));
    const QString tool = toolFolder + QStringLiteral("/espflash");
    QFile::remove(tool);
    if (!QFile::copy(binFolder + QStringLiteral("/stand-in-espflash"), tool)
        || !writeFile(toolFolder + QStringLiteral("/espflash.scenario"), scenario)) {
        say(QStringLiteral("cannot place the stand-in espflash in ") + toolFolder);
        return false;
    }
    return true;
}

} // namespace demo
