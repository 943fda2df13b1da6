#include "Log.h"

#include "SessionLog.h"

#include <cstdio>

namespace vexlo {

LogSink standardOutputLog()
{
    return [](const QString &line) {
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        SessionLog::appendFromAnyThread(line);
    };
}

} // namespace vexlo
