#include "Application.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // The log goes to standard output; if its reader goes away, the program carries on without
    // its log instead of being killed by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    return vexlo::runApplication(app);
}
