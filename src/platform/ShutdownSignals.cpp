#include "ShutdownSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vexlo {

namespace {

std::array<int, 2> g_pair{-1, -1};
constexpr std::array<int, 3> handled{SIGINT, SIGTERM, SIGHUP};

void onSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    // Nonblocking: a full pair (signals arriving faster than the loop reads) drops the byte
    // rather than blocking the handler.
    [[maybe_unused]] const ssize_t written = ::write(g_pair[0], &byte, 1);
    errno = saved;
}

} // namespace

ShutdownSignals::ShutdownSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pair.data()) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::onReadable);
    struct sigaction action {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handled)
        ::sigaction(number, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals()
{
    for (const int number : handled)
        std::signal(number, SIG_DFL);
    for (int &fd : g_pair) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void ShutdownSignals::onReadable()
{
    unsigned char byte = 0;
    while (::read(g_pair[1], &byte, 1) == 1) {
        if (m_received++ == 0)
            Q_EMIT shutdownRequested(byte);
        else
            Q_EMIT shutdownInsisted(byte);
    }
}

} // namespace vexlo
