#include "Log.h"

#include "LogWriter.h"
#include "Platform.h"
#include "SessionLog.h"

namespace vexlo {

namespace {

// Made on first use, so that a process that never logs here starts no thread and makes no file;
// flushed and joined when the program ends.
LogWriter &programLog()
{
    static LogWriter writer([] {
        LogWriterOptions options;
        options.folder = platform::logDirectory();
        return options;
    }());
    return writer;
}

} // namespace

LogSink standardOutputLog()
{
    return [](const QString &line) {
        programLog().write(line);
        SessionLog::appendFromAnyThread(line);
    };
}

void flushStandardOutputLog(std::chrono::milliseconds limit)
{
    programLog().flush(limit);
}

} // namespace vexlo
