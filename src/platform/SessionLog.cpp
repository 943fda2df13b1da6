#include "SessionLog.h"

#include <QCoreApplication>
#include <QThread>

namespace vexlo {

SessionLog &SessionLog::instance()
{
    static SessionLog log;
    return log;
}

SessionLog::SessionLog()
{
    // Its signals reach the window, so it lives where the window does, whoever logs first.
    if (QCoreApplication *app = QCoreApplication::instance())
        moveToThread(app->thread());
}

void SessionLog::append(const QString &line)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_lines.size() == maximumLines)
        m_lines.removeFirst();
    m_lines.append(line);
    Q_EMIT lineAdded(line);
}

void SessionLog::appendFromAnyThread(const QString &line)
{
    SessionLog &log = instance();
    QMetaObject::invokeMethod(&log, [&log, line] { log.append(line); });
}

} // namespace vexlo
