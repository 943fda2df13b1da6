#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vexlo {

struct LogWriterOptions {
    // Where each line goes as it is, followed by a line feed (standard output in the program).
    int output = 1;
    // The log file's folder, made private if missing; empty: no file.
    QString folder;
    QString fileName = QStringLiteral("vexlo-utility.log");
    // A file that would pass this size is moved aside as NAME.1 (NAME.1 to NAME.2, and so on) and
    // a new one begun; this many files are kept, the current one included.
    qint64 fileSizeLimit = 2 * 1024 * 1024;
    int fileCount = 3;
    // Bytes that may wait for a slow reader of the output before lines are dropped.
    qsizetype outputQueueLimit = 1024 * 1024;
};

// Writes log lines on a thread of its own, so that no caller ever waits for a reader: to the
// output in their order while its reader keeps up, and every line with a timestamp to a log file
// of capped size. When the output's reader stalls and the queue is full, lines for the output are
// dropped, and once it reads again one line says how many. Destroying the writer writes what is
// queued (giving up on an output that takes no bytes for a second) and joins its thread.
class LogWriter
{
public:
    explicit LogWriter(LogWriterOptions options);
    ~LogWriter();
    LogWriter(const LogWriter &) = delete;
    LogWriter &operator=(const LogWriter &) = delete;

    // Never blocks on the output or the file. Any thread.
    void write(const QString &line);
    // Waits, at most `limit`, until every line written so far has gone out (or was dropped);
    // for an exit that runs no destructors. False when the limit passed first.
    bool flush(std::chrono::milliseconds limit);

private:
    void run();
    void enqueueOutput(const QByteArray &bytes);
    void appendToFile(const QByteArrayList &lines);
    void openFile();
    void rotateFiles();

    const LogWriterOptions m_options;
    const int m_nonBlockingOutput;
    const int m_outputFd; // the one above where there is one, else the output as given
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_drained;
    std::deque<QByteArray> m_output; // lines with their line feeds, waiting for the output
    qsizetype m_outputBytes = 0;
    qint64 m_dropped = 0;
    bool m_outputGone = false;
    QByteArrayList m_fileLines; // timestamped lines waiting for the file
    bool m_stopping = false;
    // Used by the writer thread alone.
    int m_file = -1;
    bool m_fileFailed = false;
    qint64 m_fileSize = 0;
    std::thread m_thread;
};

} // namespace vexlo
