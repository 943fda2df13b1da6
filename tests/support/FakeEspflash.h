#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A resources directory holding the fake espflash, with its scenario and its record of calls.
class FakeEspflash
{
public:
    FakeEspflash();

    QString resourcesDirectory() const { return m_dir.path(); }
    QString toolPath() const { return m_dir.filePath(QStringLiteral("espflash")); }
    // A path inside the directory, free for the test's own files.
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Scenario lines such as "board-info.out=Chip type: esp32\n".
    void setScenario(const QStringList &lines);
    // One entry per run: the argument vector joined with tabs.
    QStringList calls() const;
    void removeTool();

private:
    QTemporaryDir m_dir;
};
