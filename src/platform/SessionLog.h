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
    static constexpr qsizetype maximumLines = 20000;

    explicit SessionLog(qsizetype maxLines = maximumLines, QObject *parent = nullptr);

    // The program's log; it lives on the GUI thread, whoever logs first.
    static SessionLog &instance();

    QStringList lines() const { return m_lines; }
    // On the object's thread only; other threads hand their lines over with
    // appendFromAnyThread().
    void append(const QString &line);
    static void appendFromAnyThread(const QString &line);

Q_SIGNALS:
    void lineAdded(const QString &line);

private:
    qsizetype m_maxLines;
    QStringList m_lines;
};

} // namespace vexlo
