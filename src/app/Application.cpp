#include "Application.h"

#include "MainWindow.h"
#include "SingleInstance.h"
#include "Translations.h"
#include "Updater.h"
#include "firmware/FirmwareDownload.h"
#include "platform/Platform.h"
#include "platform/ShutdownSignals.h"
#include "workflow/MainFlasherState.h"

#include <QApplication>

namespace vexlo {

int runApplication(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("Vexlo Utility"));
    QApplication::setApplicationVersion(QStringLiteral(VEXLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.vexlo.VexloUtility"));
    installTranslations(app);
    // SIGINT, SIGTERM and SIGHUP end the program the ordinary way; its children end with it.
    ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownSignals::requested, &app,
                     [] { QApplication::exit(0); });

    SingleInstance instance(platform::instanceSocketPath());
    if (instance.anotherIsRunning())
        return 0;

    removePartialDownloads();
    MainFlasherState state;
    Updater updater;
    MainWindow window(state, updater);
    QObject::connect(&instance, &SingleInstance::comeForwardRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return QApplication::exec();
}

} // namespace vexlo
