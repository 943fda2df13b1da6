#include "LogWriter.h"

#include "Platform.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlo {

namespace {

QByteArray timestamped(const QByteArray &line)
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8() + ' '
        + line;
}

QByteArray droppedNote(qint64 count)
{
    return "[Log] " + QByteArray::number(count) + (count == 1 ? " line" : " lines")
        + " dropped while standard output was not read\n";
}

// Writes a whole buffer to a file descriptor that does not stall (a regular file).
bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

LogWriter::LogWriter(LogWriterOptions options)
    : m_options(std::move(options))
    , m_nonBlockingOutput(platform::nonBlockingWriter(m_options.output))
    , m_outputFd(m_nonBlockingOutput >= 0 ? m_nonBlockingOutput : m_options.output)
{
    m_thread = std::thread([this] { run(); });
}

LogWriter::~LogWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    for (const int fd : {m_file, m_nonBlockingOutput}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void LogWriter::write(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    const QByteArray stamped = m_options.folder.isEmpty() ? QByteArray() : timestamped(bytes);
    {
        const std::lock_guard lock(m_mutex);
        if (!stamped.isEmpty())
            m_fileLines << stamped;
        enqueueOutput(bytes);
    }
    m_wake.notify_one();
}

bool LogWriter::flush(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    m_wake.notify_one();
    return m_drained.wait_for(lock, limit, [&] {
        return m_fileLines.isEmpty() && (m_outputGone || (m_output.empty() && m_outputBytes == 0));
    });
}

void LogWriter::enqueueOutput(const QByteArray &bytes)
{
    if (m_outputGone)
        return;
    const QByteArray note = m_dropped > 0 ? droppedNote(m_dropped) : QByteArray();
    // A line longer than the whole queue still goes out when nothing waits before it.
    if (m_outputBytes > 0
        && m_outputBytes + note.size() + bytes.size() > m_options.outputQueueLimit) {
        ++m_dropped;
        return;
    }
    for (const QByteArray &item : {note, bytes}) {
        if (!item.isEmpty()) {
            m_output.push_back(item);
            m_outputBytes += item.size();
        }
    }
    m_dropped = 0;
}

void LogWriter::run()
{
    QByteArray sending; // taken from the queue; written up to `sent`
    qsizetype sent = 0;
    QDeadlineTimer lastChance(QDeadlineTimer::Forever);
    for (;;) {
        QByteArrayList fileLines;
        bool stopping = false;
        {
            std::unique_lock lock(m_mutex);
            m_drained.notify_all();
            m_wake.wait(lock, [&] {
                return m_stopping || !m_fileLines.isEmpty() || sent < sending.size()
                    || !m_output.empty() || (m_dropped > 0 && !m_outputGone);
            });
            fileLines.swap(m_fileLines);
            if (sent == sending.size()) {
                sending.clear();
                sent = 0;
                // Everything before has gone out: the reader reads again.
                if (m_output.empty() && m_dropped > 0 && !m_outputGone)
                    enqueueOutput({});
                // Counted in the queue until written: only a reader that reads makes room.
                while (!m_output.empty() && sending.size() < 64 * 1024) {
                    sending += m_output.front();
                    m_output.pop_front();
                }
            }
            stopping = m_stopping;
        }
        appendToFile(fileLines);
        if (sent == sending.size()) {
            if (stopping)
                return;
            continue;
        }
        if (stopping && lastChance.isForever())
            lastChance.setRemainingTime(1000);
        // Short waits, so that lines for the file never wait long behind a stalled reader.
        pollfd output{m_outputFd, POLLOUT, 0};
        if (::poll(&output, 1, 50) > 0) {
            // At most PIPE_BUF: a pipe that reported room takes that much without blocking, also
            // where the output could not be had without blocking.
            const ssize_t n = ::write(m_outputFd, sending.constData() + sent,
                                      size_t(std::min<qsizetype>(sending.size() - sent, PIPE_BUF)));
            if (n > 0) {
                sent += n;
                const std::lock_guard lock(m_mutex);
                m_outputBytes -= n;
                if (stopping)
                    lastChance.setRemainingTime(1000);
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
        } else if (!lastChance.hasExpired()) {
            continue;
        }
        // The reader went away, or the output took nothing for a second while the program ends.
        const std::lock_guard lock(m_mutex);
        m_outputGone = true;
        m_output.clear();
        m_outputBytes = 0;
        sending.clear();
        sent = 0;
    }
}

void LogWriter::appendToFile(const QByteArrayList &lines)
{
    if (lines.isEmpty() || m_fileFailed)
        return;
    if (m_file < 0)
        openFile();
    QByteArray batch;
    for (const QByteArray &line : lines) {
        // A single line never makes a file pass its limit.
        const QByteArray capped = line.left(m_options.fileSizeLimit);
        if (m_file >= 0 && m_fileSize + batch.size() + capped.size() > m_options.fileSizeLimit
            && m_fileSize + batch.size() > 0) {
            writeAll(m_file, batch);
            batch.clear();
            rotateFiles();
        }
        batch += capped;
    }
    if (m_file >= 0 && writeAll(m_file, batch))
        m_fileSize += batch.size();
}

void LogWriter::openFile()
{
    m_fileSize = 0;
    const QString path = m_options.folder + QLatin1Char('/') + m_options.fileName;
    if (platform::makePrivateDirectory(m_options.folder))
        m_file = ::open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    struct stat status = {};
    if (m_file >= 0 && ::fstat(m_file, &status) == 0) {
        m_fileSize = status.st_size;
        return;
    }
    m_fileFailed = true;
    const std::lock_guard lock(m_mutex);
    enqueueOutput("[Log] Cannot write the log file " + QFile::encodeName(path) + ": "
                  + std::strerror(errno) + '\n');
}

void LogWriter::rotateFiles()
{
    ::close(m_file);
    m_file = -1;
    const QString base = m_options.folder + QLatin1Char('/') + m_options.fileName;
    const auto numbered = [&](int n) {
        return QFile::encodeName(n == 0 ? base : base + QLatin1Char('.') + QString::number(n));
    };
    for (int n = m_options.fileCount - 1; n >= 1; --n)
        std::rename(numbered(n - 1).constData(), numbered(n).constData());
    if (m_options.fileCount <= 1)
        ::unlink(numbered(0).constData());
    openFile();
}

} // namespace vexlo
