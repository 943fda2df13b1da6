#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vexlo::cli {

namespace {

int g_pair[2] = {-1, -1};
constexpr int handledSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing else is safe in a handler; a full pair only loses a repeat of a signal.
    [[maybe_unused]] const ssize_t written = ::write(g_pair[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pair) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pair[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::onReadable);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handledSignals)
        ::sigaction(number, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    for (const int number : handledSignals)
        std::signal(number, SIG_DFL);
    m_notifier.reset();
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair[0] = g_pair[1] = -1;
}

void StopSignals::onReadable()
{
    unsigned char byte = 0;
    while (::read(g_pair[0], &byte, 1) == 1)
        Q_EMIT received(byte);
}

} // namespace vexlo::cli
