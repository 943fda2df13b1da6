#include "MainWindow.h"
#include "SingleInstance.h"
#include "Translations.h"
#include "Updater.h"
#include "firmware/FirmwareDownload.h"
#include "platform/Platform.h"
#include "workflow/MainFlasherState.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // The log goes to standard output; if its reader goes away, the program carries on without
    // its log instead of being killed by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexlo Utility"));
    QApplication::setApplicationVersion(QStringLiteral(VEXLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vexlo-utility"));
    vexlo::installTranslations(app);

    vexlo::SingleInstance instance(vexlo::platform::instanceSocketPath());
    if (instance.anotherIsRunning())
        return 0;

    vexlo::removePartialDownloads();
    vexlo::MainFlasherState state;
    vexlo::Updater updater;
    vexlo::MainWindow window(state, updater);
    QObject::connect(&instance, &vexlo::SingleInstance::comeForwardRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return QApplication::exec();
}
