#include "Application.h"
#include "platform/ChildProcess.h"

#include <QApplication>

#include <csignal>
#include <cstdlib>
#include <exception>

namespace {

std::terminate_handler formerTerminateHandler = nullptr;

} // namespace

int main(int argc, char *argv[])
{
    // The log goes to standard output; if its reader goes away, the program carries on without
    // its log instead of being killed by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // No child outlives the program, whichever way it ends: return, exit() or an exception.
    std::atexit(vexlo::endAllChildProcesses);
    formerTerminateHandler = std::set_terminate([] {
        vexlo::endAllChildProcesses();
        formerTerminateHandler();
    });

    QApplication app(argc, argv);
    return vexlo::runApplication(app);
}
