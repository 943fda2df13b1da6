#include "MainWindow.h"
#include "firmware/FirmwareDownload.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // The log goes to standard output; if its reader goes away, the program carries on without
    // its log instead of being killed by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexlo Utility"));
    vexlo::removePartialDownloads();

    vexlo::MainWindow window;
    window.show();
    return QApplication::exec();
}
