#pragma once

#include <QObject>
#include <QStringList>

namespace vexlo {

// This session's log lines, newest last, for a window that shows them: the program's one
// instance holds every line that went to standard output, up to the newest `maxLines`.
class SessionLog : public QObject
{
    Q_OBJECT
public:
    explicit SessionLog(qsizetype maxLines = 20000, QObject *parent = nullptr);

    // The program's log; lives on the thread that first logs, the GUI thread.
    static SessionLog &instance();

    QStringList lines() const { return m_lines; }
    void append(const QString &line);

Q_SIGNALS:
    void lineAdded(const QString &line);

private:
    qsizetype m_maxLines;
    QStringList m_lines;
};

} // namespace vexlo
