#include "Application.h"

#include "MainWindow.h"
#include "QuitAfterRun.h"
#include "SingleInstance.h"
#include "Updater.h"
#include "firmware/FirmwareDownload.h"
#include "platform/ChildProcess.h"
#include "platform/Platform.h"
#include "platform/ShutdownSignals.h"
#include "platform/Translations.h"
#include "workflow/MainFlasherState.h"

#include <QApplication>

#include <csignal>

namespace vexlo {

int runApplication(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("Vexlo Utility"));
    QApplication::setApplicationVersion(QStringLiteral(VEXLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.vexlo.VexloUtility"));
    installTranslations(app);

    SingleInstance instance(platform::instanceSocketPath());
    if (instance.anotherIsRunning())
        return 0;

    removePartialDownloads();
    MainFlasherState state;
    Updater updater;
    MainWindow window(state, updater);
    const LogSink log = standardOutputLog();
    // The window going away does not end the program while an install runs; QuitAfterRun does.
    QApplication::setQuitOnLastWindowClosed(false);
    QuitAfterRun quitter(state, log);
    QObject::connect(&window, &MainWindow::quitRequested, &quitter, &QuitAfterRun::request);
    QObject::connect(&quitter, &QuitAfterRun::readyToQuit, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownSignals::shutdownRequested, &window,
                     [&](int number) {
                         log(QStringLiteral("Vexlo Utility: signal %1 received").arg(number));
                         window.quitAfterRun();
                     });
    QObject::connect(
        &shutdownSignals, &ShutdownSignals::shutdownInsisted, &window, [&](int number) {
            log(QStringLiteral(
                    "Vexlo Utility: signal %1 received again; ending the tool and quitting "
                    "at once")
                    .arg(number));
            endAllChildProcesses();
            // Raising the signal ends the program at once: its last lines go out first.
            flushStandardOutputLog(std::chrono::seconds(1));
            std::signal(number, SIG_DFL);
            std::raise(number);
        });
    QObject::connect(&instance, &SingleInstance::comeForwardRequested, &window, [&] {
        if (quitter.isRequested())
            return;
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return QApplication::exec();
}

} // namespace vexlo
