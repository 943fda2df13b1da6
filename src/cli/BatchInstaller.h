#pragma once

#include "InstallEngine.h"
#include "Report.h"
#include "SharedDownloads.h"
#include "platform/Platform.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <deque>
#include <map>
#include <optional>

namespace vexlo::cli {

struct BatchOptions {
    enum class Mode { install, list };
    Mode mode = Mode::install;
    CoilexVariant variant = CoilexVariant::universal;
    QStringList ports; // empty: the ports the listing finds
    std::optional<int> jobs;
    bool watch = false;
    std::chrono::milliseconds pollInterval{1000};
    std::chrono::milliseconds listingTimeLimit{5000};
    // In --watch, an image older than this is fetched again, so a long session gets new releases.
    std::chrono::milliseconds imageMaxAge{std::chrono::minutes(10)};
    // A native-USB board leaves and comes back after its resets: an absence this soon after its
    // install is not an unplugging.
    std::chrono::milliseconds replugGrace{5000};
    QString shell = platform::listingShell();
    QString listCommand = platform::portListCommand();
};

// Installs on many ports at once: each port on its own (at most `jobs` at a time), a failure on
// one never stopping the others, the images shared per board type; with `watch`, every port that
// appears later too, until stop().
class BatchInstaller : public QObject
{
    Q_OBJECT
public:
    BatchInstaller(BatchOptions options, InstallEngine engine, Report &report,
                   QObject *parent = nullptr);

    void start();
    // No new install starts; the running ones finish, then the summary follows.
    void stop();

Q_SIGNALS:
    // Everything has ended and been reported; the program's exit status.
    void finished(int exitStatus);

private:
    QCoro::Task<> listPorts();
    void takePorts(const QStringList &present);
    void startQueued();
    QCoro::Task<PortOutcome> install(QString port);
    QCoro::Task<PortOutcome> installLocked(QString port, QElapsedTimer clock);
    void portDone(const PortOutcome &outcome);
    void finishIfDone();

    BatchOptions m_options;
    InstallEngine m_engine;
    Report &m_report;
    SharedDownloads m_downloads;
    QTimer m_pollTimer;
    bool m_listing = false;
    bool m_listedOnce = false;
    bool m_stopping = false;
    bool m_finished = false;
    std::deque<QString> m_queue;
    QSet<QString> m_running;
    // Ports installed (or queued or running) since they were last seen absent.
    QSet<QString> m_handled;
    std::map<QString, QElapsedTimer> m_endedAt;
    QList<PortOutcome> m_outcomes;
};

} // namespace vexlo::cli
