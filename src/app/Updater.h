#pragma once

#include "Appcast.h"
#include "platform/Async.h"
#include "platform/Log.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>

class QWidget;

namespace vexlo {

// The program's own updates. Creating it sends nothing: a check runs only when the user asks.
// A check reads the update feed, compares its newest release with the running version, tells
// the user and logs what it found; nothing is downloaded or installed.
class Updater : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QUrl feed;
        QString runningVersion;
        std::chrono::milliseconds timeout{10000};
        // Tells the user; by default a dialog over the active window.
        std::function<void(const UpdateCheckResult &)> tell;
        // Gets one line per check with its outcome.
        LogSink log = standardOutputLog();
    };

    // The program's own feed and version.
    explicit Updater(QObject *parent = nullptr);
    explicit Updater(Options options, QObject *parent = nullptr);

    // The user's "Check for Updates…". A use while a check runs starts no second one.
    void checkForUpdates();

private:
    friend struct UpdaterTestAccess;

    QCoro::Task<> check();

    Options m_options;
    bool m_checking = false;
    // The check under way; going with the updater, it cancels its request.
    TaskOwner m_tasks;
};

// The dialog that tells the user what a check found.
void showUpdateCheckResult(QWidget *window, const UpdateCheckResult &result);

} // namespace vexlo
