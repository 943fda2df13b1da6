#include "WindowDriver.h"

#include "DemoSupport.h"

#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace demo {

void WindowDriver::chooseDisplay()
{
    m_display = qEnvironmentVariable("DISPLAY");
    if (!m_display.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        return;
    int number = 97; // the first display number nobody holds
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
        ++number;
    m_display = QStringLiteral(":%1").arg(number);
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("640x480x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    QThread::msleep(1000);
    say(QStringLiteral("no display: the window is shown on the virtual display ") + m_display);
}

void WindowDriver::pressInstallButton(qint64 programId)
{
    m_window =
        QString::fromUtf8(runHelper(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--sync"),
                                     QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                     QString::number(programId), QStringLiteral("--name"),
                                     QStringLiteral("^Vexlo Utility$")})
                              .split('\n')
                              .first());
    // The content is 336 x 338 at the window's bottom (under the menu bar); the install button
    // ends 20 points from the right and 22 from the bottom.
    const QString height = QString::fromUtf8(
        runHelper(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), m_window}));
    const int windowHeight =
        height.section(QLatin1Char('x'), -1).section(QLatin1Char('\n'), 0, 0).toInt();
    say(QStringLiteral("pressing the install button"));
    runHelper(QStringLiteral("xdotool"),
              {QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
               QStringLiteral("276"), QString::number(windowHeight - 34), QStringLiteral("click"),
               QStringLiteral("1")});
}

QImage WindowDriver::capture() const
{
    return QImage::fromData(runHelper(
        QStringLiteral("import"), {QStringLiteral("-window"), m_window, QStringLiteral("png:-")}));
}

void WindowDriver::stop()
{
    m_xvfb.terminate();
    m_xvfb.waitForFinished(3000);
}

// Runs a helper on the display to its end and returns what it printed.
QByteArray WindowDriver::runHelper(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    if (!m_display.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    process.waitForFinished(20000);
    return process.readAllStandardOutput();
}

} // namespace demo
