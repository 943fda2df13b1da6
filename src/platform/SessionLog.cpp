#include "SessionLog.h"

#include <QCoreApplication>
#include <QThread>

namespace vexlo {

SessionLog::SessionLog(qsizetype maxLines, QObject *parent)
    : QObject(parent)
    , m_maxLines(maxLines)
{
}

SessionLog &SessionLog::instance()
{
    static SessionLog log;
    // Its signals reach the window, so it lives where the window does, whoever logs first.
    [[maybe_unused]] static const bool onGuiThread = [] {
        if (QCoreApplication *app = QCoreApplication::instance())
            log.moveToThread(app->thread());
        return true;
    }();
    return log;
}

void SessionLog::append(const QString &line)
{
    Q_ASSERT(QThread::currentThread() == thread());
    m_lines << line;
    if (m_lines.size() > m_maxLines)
        m_lines.removeFirst();
    Q_EMIT lineAdded(line);
}

void SessionLog::appendFromAnyThread(const QString &line)
{
    SessionLog &log = instance();
    QMetaObject::invokeMethod(&log, [&log, line] { log.append(line); });
}

} // namespace vexlo
