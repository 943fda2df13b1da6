#include "cli/FlashCommand.h"
#include "platform/Translations.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // A reader of the output that goes away must not end the program in the middle of a write.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    // The window's name: both programs share the image folder and the runtime folder's locks.
    QCoreApplication::setApplicationName(QStringLiteral("Vexlo Utility"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXLO_VERSION));
    vexlo::installTranslations(app);
    return vexlo::cli::runFlashCommand(QCoreApplication::arguments());
}
