#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (::openpty(&m_controller, &m_terminal, name, nullptr, nullptr) != 0) {
        m_controller = m_terminal = -1;
        return;
    }
    m_terminalPath = QString::fromLocal8Bit(name);
    ::fcntl(m_controller, F_SETFL, ::fcntl(m_controller, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal()
{
    // The terminal side stays open here so that the line keeps existing while the program
    // under test opens and closes it.
    if (m_terminal >= 0)
        ::close(m_terminal);
    if (m_controller >= 0)
        ::close(m_controller);
}

QByteArray PseudoTerminal::readAvailable(int boundMs)
{
    QByteArray data;
    int wait = boundMs;
    for (;;) {
        pollfd pfd{m_controller, POLLIN, 0};
        if (::poll(&pfd, 1, wait) <= 0)
            return data;
        char buffer[4096];
        const ssize_t n = ::read(m_controller, buffer, sizeof buffer);
        if (n <= 0)
            return data;
        data.append(buffer, n);
        wait = 50;
    }
}
