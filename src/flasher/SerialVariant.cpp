#include "SerialVariant.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vexlo {

namespace {

// Waiting for a stalled port holds the GUI thread, so it is bounded.
constexpr int writeBoundMs = 1000;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Waits for the port to take more within the deadline. Returns 0, or the errno that stopped it.
int waitForRoom(int fd, const QDeadlineTimer &deadline)
{
    const qint64 remaining = deadline.remainingTime();
    if (remaining <= 0)
        return ETIMEDOUT;
    pollfd pfd{fd, POLLOUT, 0};
    if (::poll(&pfd, 1, static_cast<int>(remaining)) < 0 && errno != EINTR)
        return errno;
    return 0;
}

// Waits until the output queue is empty within the deadline. tcdrain() would wait without limit
// on a UART whose hardware flow control is held off.
int waitUntilSent(int fd, const QDeadlineTimer &deadline)
{
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
            return errno;
        if (queued == 0)
            return 0;
        if (deadline.hasExpired())
            return ETIMEDOUT;
        // 22 bytes at 115200 baud leave in about 2 ms.
        ::usleep(1000);
    }
}

// Writes every byte and waits until they have left the port, all within one bound, waiting for
// room after a short write or EAGAIN. Returns 0 on success, or the errno that stopped it.
int writeFully(int fd, const QByteArray &bytes)
{
    const QDeadlineTimer deadline(writeBoundMs);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        const int error = errno;
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && error != EINTR && error != EAGAIN)
            return error;
        if (n < 0 && error == EINTR)
            continue;
        if (const int waitError = waitForRoom(fd, deadline); waitError != 0)
            return waitError == ETIMEDOUT ? EAGAIN : waitError;
    }
    return waitUntilSent(fd, deadline);
}

} // namespace

std::optional<QString> variantWord(CoilexVariant variant)
{
    switch (variant) {
    case CoilexVariant::v4:
        return QStringLiteral("STD");
    case CoilexVariant::pro:
        return QStringLiteral("PRO");
    case CoilexVariant::universal:
        break;
    }
    return std::nullopt;
}

QByteArray variantCommand(CoilexVariant variant)
{
    const std::optional<QString> word = variantWord(variant);
    if (!word)
        return {};
    return "{\"SET\":{\"VAR\":\"" + word->toLatin1() + "\"}}\n";
}

bool writeVariant(const QString &port, CoilexVariant variant, const LogSink &log, QString *why)
{
    if (variant == CoilexVariant::universal)
        return true;
    const auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };

    const int fd = ::open(QFile::encodeName(port).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const QString reason = errorText(errno);
        log(QStringLiteral("serial: Failed to open ") + port + QStringLiteral(" \u2014 ") + reason);
        return fail(reason);
    }
    if (!configureSerialPort(fd)) {
        log(QStringLiteral("serial: Failed to configure ") + port + QStringLiteral(" at 115200"));
        ::close(fd);
        return fail(QStringLiteral("not a serial port"));
    }
    const int error = writeFully(fd, variantCommand(variant));
    // What is still queued is dropped, so that closing cannot wait for a stalled line either.
    if (error != 0)
        ::tcflush(fd, TCOFLUSH);
    ::close(fd);
    if (error != 0) {
        log(QStringLiteral("serial: Write failed on ") + port + QStringLiteral(" \u2014 ")
            + errorText(error));
        return fail(errorText(error));
    }
    return true;
}

bool configureSerialPort(int fd)
{
    termios options{};
    if (::tcgetattr(fd, &options) != 0)
        return false;
    ::cfmakeraw(&options);
    options.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB);
    options.c_cflag |= CS8 | CREAD | CLOCAL;
    if (::cfsetispeed(&options, B115200) != 0 || ::cfsetospeed(&options, B115200) != 0)
        return false;
    options.c_cc[VMIN] = 0;
    options.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &options) != 0)
        return false;
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

} // namespace vexlo
