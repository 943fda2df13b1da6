#pragma once

#include <QObject>
#include <QStringList>

namespace vexlo {

// The lines this process has logged, kept in memory for the log window. Bounded: a session that
// runs for days keeps its newest lines only.
class SessionLog : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype maximumLines = 20000;

    static SessionLog &instance();

    QStringList lines() const { return m_lines; }
    // On the GUI thread only; other threads hand their lines over with appendFromAnyThread().
    void append(const QString &line);
    static void appendFromAnyThread(const QString &line);

Q_SIGNALS:
    void lineAdded(const QString &line);

private:
    SessionLog();
    QStringList m_lines;
};

} // namespace vexlo
