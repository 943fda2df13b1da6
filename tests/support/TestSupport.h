#pragma once

#include "devices/SerialPortMonitor.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>

// Collects the lines that pass through a log sink. The sink shares the lines: a task may carry
// it past the capture's owner.
struct LogCapture {
    std::shared_ptr<QStringList> shared = std::make_shared<QStringList>();
    QStringList &lines = *shared;
    vexlo::LogSink sink()
    {
        return [shared = shared](const QString &line) { *shared << line; };
    }
    // The lines holding the text (the log's lines start with their subject).
    QStringList startingWith(const QString &text) const { return lines.filter(text); }
};

// The stand-in espflash alone in the tool search path, with its scenario and record of calls.
struct FakeEspflash {
    QTemporaryDir dir;

    FakeEspflash() { QVERIFY(QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), toolPath())); }
    QStringList searchPath() const { return {dir.path()}; }
    QString toolPath() const { return filePath(QStringLiteral("espflash")); }
    QString filePath(const QString &name) const { return dir.filePath(name); }

    // Lines such as "board-info.exit=1"; "remove-tool" deletes the tool, "spoil-tool" breaks it.
    void setScenario(const QStringList &lines)
    {
        if (lines.contains(QStringLiteral("remove-tool")))
            QVERIFY(QFile::remove(toolPath()));
        if (lines.contains(QStringLiteral("spoil-tool")))
            QVERIFY(QFile::resize(toolPath(), 0));
        QFile file(filePath(QStringLiteral("espflash.scenario")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    // One entry per run: the argument vector joined with tabs.
    QStringList calls() const
    {
        QFile file(filePath(QStringLiteral("espflash.calls")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

// The file's bytes; "<unreadable>" when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Spins the event loop until the condition holds; false when the bound passes first.
template<typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(10))
{
    const QDeadlineTimer deadline(bound);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Ports listed from a file the test writes, boards answered by the stand-in tool, the log.
struct SimulatedBoards {
    FakeEspflash tool;
    LogCapture log;

    SimulatedBoards() { setPorts({}); }
    void setPorts(const QStringList &ports)
    {
        QFile file(tool.filePath(QStringLiteral("ports")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ports.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    vexlo::SerialPortMonitorOptions monitorOptions()
    {
        vexlo::SerialPortMonitorOptions options;
        options.pollInterval = std::chrono::milliseconds(30);
        options.detectionDelay = std::chrono::milliseconds(10);
        options.listCommand =
            QStringLiteral("cat '%1'").arg(tool.filePath(QStringLiteral("ports")));
        options.toolSearchPath = tool.searchPath();
        options.log = log.sink();
        return options;
    }
    // The port is selected and its detection has ended.
    bool detected(const vexlo::SerialPortMonitor &monitor, const QString &port)
    {
        return waitUntil([&] {
            return monitor.selectedDevice() == port && !monitor.isDetectingBoard()
                && !log.startingWith("[SerialPortMonitor] detection result for " + port).isEmpty();
        });
    }
};

// Each process now on the machine: its id, its parent's, its process group's, and whether it is
// a zombie (ended, not yet reaped).
struct ProcessEntry {
    qint64 pid, parent, group;
    bool zombie;
};
inline QList<ProcessEntry> processes()
{
    QList<ProcessEntry> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!entry.toLongLong() || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll(); // pid (name) state ppid pgrp ...
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2)
            found.append({entry.toLongLong(), fields[1].toLongLong(), fields[2].toLongLong(),
                          fields[0] == "Z"});
    }
    return found;
}

// Lets tasks left running by destroyed objects (a port listing, a tool run) reach their end
// before the test program exits, where the leak checker would count their frames: waits until
// every child has ended and been reaped, and the events that resume the tasks are handled.
inline void letLeftoverTasksEnd()
{
    QVERIFY(waitUntil([] {
        const QList<ProcessEntry> all = processes();
        return std::none_of(all.begin(), all.end(), [](const ProcessEntry &process) {
            return process.parent == QCoreApplication::applicationPid();
        });
    }));
    QCoreApplication::processEvents();
}

// Runs the event loop until the task ends and returns its result. A task that has not ended
// within the bound throws, so a stalled coroutine fails the test instead of hanging it.
template<typename T>
T awaitTask(QCoro::Task<T> &&task, std::chrono::milliseconds bound = std::chrono::seconds(60))
{
    QEventLoop loop;
    std::optional<T> result;
    QCoro::connect(std::move(task), &loop, [&](T &&value) {
        result.emplace(std::move(value));
        loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    if (!result)
        loop.exec();
    if (!result)
        throw std::runtime_error("task did not end in time");
    return std::move(*result);
}
