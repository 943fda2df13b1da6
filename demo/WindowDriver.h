#pragma once

#include <QImage>
#include <QProcess>
#include <QString>

namespace demo {

// Shows the program's window on an X display and works it as a user would, with xdotool and
// ImageMagick's import.
class WindowDriver
{
public:
    // The user's display, else a virtual one (Xvfb) when there is none, else none at all.
    void chooseDisplay();
    // Empty when the program runs offscreen, where nobody can press its buttons.
    QString display() const { return m_display; }
    // Finds the program's window and clicks its install button.
    void pressInstallButton(qint64 programId);
    // A picture of the window as it is now; null when none could be taken.
    QImage capture() const;
    // Ends the virtual display, if one was started.
    void stop();

private:
    QByteArray runHelper(const QString &program, const QStringList &arguments) const;

    QString m_display;
    QProcess m_xvfb;
    QString m_window;
};

} // namespace demo
