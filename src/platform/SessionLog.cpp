#include "SessionLog.h"

namespace vexlo {

SessionLog::SessionLog(qsizetype maxLines, QObject *parent)
    : QObject(parent)
    , m_maxLines(maxLines)
{
}

SessionLog &SessionLog::instance()
{
    static SessionLog log;
    return log;
}

void SessionLog::append(const QString &line)
{
    m_lines << line;
    if (m_lines.size() > m_maxLines)
        m_lines.removeFirst();
    Q_EMIT lineAdded(line);
}

} // namespace vexlo
