#include "BatchInstaller.h"

#include "CliText.h"
#include "devices/PortListing.h"
#include "flasher/SerialVariant.h"
#include "platform/PortLock.h"
#include "workflow/FailureText.h"

#include <QFileInfo>

namespace vexlo::cli {

namespace {

constexpr std::chrono::milliseconds progressTick{500};

} // namespace

BatchInstaller::BatchInstaller(BatchOptions options, InstallEngine engine, Report &report,
                               QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_engine(std::move(engine))
    , m_report(report)
    , m_downloads(m_engine, m_options.watch ? std::optional(m_options.imageMaxAge) : std::nullopt)
{
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        // One listing at a time: a tick that finds the last one running is skipped.
        if (!m_listing)
            QCoro::connect(listPorts(), this, [] {});
    });
}

void BatchInstaller::start()
{
    if (m_options.watch) {
        m_report.note(CliText::tr("Warte auf Boards; Strg+C beendet nach den laufenden "
                                  "Installationen."));
        m_pollTimer.start(m_options.pollInterval);
    }
    if (!m_options.ports.isEmpty() && !m_options.watch) {
        m_listedOnce = true;
        takePorts(m_options.ports);
        finishIfDone();
        return;
    }
    QCoro::connect(listPorts(), this, [] {});
}

void BatchInstaller::stop()
{
    if (m_stopping) {
        m_report.note(
            CliText::tr("Warte auf %1 laufende Installation(en); ein Schreibvorgang wird nie "
                        "unterbrochen.")
                .arg(m_running.size()));
        return;
    }
    m_stopping = true;
    m_pollTimer.stop();
    if (!m_running.isEmpty())
        m_report.note(
            CliText::tr("Beenden: keine neue Installation, %1 laufende werden abgeschlossen.")
                .arg(m_running.size()));
    while (!m_queue.empty()) {
        const QString port = m_queue.front();
        m_queue.pop_front();
        portDone(
            {port, InstallStep::detect, CliText::tr("nicht begonnen: das Programm wurde beendet")});
    }
    finishIfDone();
}

QCoro::Task<> BatchInstaller::listPorts()
{
    m_listing = true;
    QStringList present;
    if (m_options.ports.isEmpty()) {
        const std::optional<QStringList> listed = co_await listSerialPorts(
            m_options.shell, m_options.listCommand, m_options.listingTimeLimit);
        // A listing that hung changes nothing in --watch, where the next tick lists again;
        // otherwise it found no port.
        if (!listed && m_options.watch) {
            m_listing = false;
            co_return;
        }
        present = listed.value_or(QStringList());
    } else {
        for (const QString &port : std::as_const(m_options.ports)) {
            if (QFileInfo::exists(port))
                present << port;
        }
    }
    m_listing = false;
    m_listedOnce = true;
    if (!m_stopping)
        takePorts(present);
    finishIfDone();
}

void BatchInstaller::takePorts(const QStringList &present)
{
    for (auto it = m_handled.begin(); it != m_handled.end();) {
        const auto ended = m_endedAt.find(*it);
        const bool replugged = !present.contains(*it) && ended != m_endedAt.end()
            && ended->second.hasExpired(m_options.replugGrace.count());
        it = replugged ? m_handled.erase(it) : std::next(it);
    }
    for (const QString &port : present) {
        if (m_handled.contains(port))
            continue;
        m_handled.insert(port);
        m_endedAt.erase(port);
        m_queue.push_back(port);
    }
    startQueued();
}

void BatchInstaller::startQueued()
{
    while (!m_queue.empty() && !m_stopping
           && (!m_options.jobs || m_running.size() < *m_options.jobs)) {
        const QString port = m_queue.front();
        m_queue.pop_front();
        m_running.insert(port);
        QCoro::connect(install(port), this, [this](PortOutcome &&outcome) { portDone(outcome); });
    }
}

QCoro::Task<PortOutcome> BatchInstaller::install(QString port)
{
    QElapsedTimer clock;
    clock.start();
    m_report.stepStarted(port, InstallStep::detect);
    // Held for the whole install: no other Vexlo program touches the board meanwhile.
    const auto lock = PortLock::tryAcquire(port);
    PortOutcome outcome{port, InstallStep::detect, portInUseText()};
    if (lock)
        outcome = co_await installLocked(port, clock);
    else
        m_report.detected(port, {DetectedBoardKind::unknown, outcome.reason});
    outcome.seconds = double(clock.elapsed()) / 1000.0;
    co_return outcome;
}

QCoro::Task<PortOutcome> BatchInstaller::installLocked(QString port, QElapsedTimer clock)
{
    const LogSink log = m_report.engineLog(port);
    const DetectOutcome detection = co_await m_engine.detect(port, log);
    m_report.detected(port, detection);
    const std::optional<BoardType> type = boardTypeFor(detection.kind);
    if (!type || m_options.mode == BatchOptions::Mode::list)
        co_return PortOutcome{port, type ? std::nullopt : std::optional(InstallStep::detect),
                              detection.reason};

    m_report.stepStarted(port, InstallStep::download);
    const DownloadOutcome image = co_await m_downloads.image(*type, log);
    if (image.path.isEmpty())
        co_return PortOutcome{port, InstallStep::download, image.reason};
    m_report.downloaded(port, image);

    m_report.stepStarted(port, InstallStep::write);
    // The window's estimate: the share of the usual duration that has passed, held short of
    // done until the tool has said so.
    const std::chrono::milliseconds expected = expectedFlashDuration(*type);
    const qint64 writeStart = clock.elapsed();
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        const std::chrono::milliseconds elapsed{clock.elapsed() - writeStart};
        m_report.progress(port, std::min(double(elapsed.count()) / double(expected.count()), 0.99),
                          expected - elapsed);
    });
    ticker.start(progressTick);
    const WriteOutcome flashed = co_await m_engine.flash(image.path, port, m_options.variant, log);
    ticker.stop();
    if (flashed.failedStep)
        co_return PortOutcome{port, flashed.failedStep, flashed.reason};
    co_return PortOutcome{port, std::nullopt, {}, variantWord(m_options.variant)};
}

void BatchInstaller::portDone(const PortOutcome &outcome)
{
    m_running.remove(outcome.port);
    m_endedAt[outcome.port].start();
    m_outcomes << outcome;
    if (m_options.mode == BatchOptions::Mode::install)
        m_report.finished(outcome);
    startQueued();
    finishIfDone();
}

void BatchInstaller::finishIfDone()
{
    if (m_finished || !m_listedOnce || m_listing || !m_running.isEmpty() || !m_queue.empty())
        return;
    if (m_options.watch && !m_stopping)
        return;
    m_finished = true;
    const bool anyFailed = std::any_of(m_outcomes.begin(), m_outcomes.end(),
                                       [](const PortOutcome &o) { return !o.installed(); });
    const bool noPort = m_outcomes.isEmpty() && !m_options.watch;
    if (noPort)
        m_report.note(CliText::tr("Kein Port gefunden."));
    if (m_options.mode == BatchOptions::Mode::install)
        m_report.summary(m_outcomes);
    Q_EMIT finished(noPort || (anyFailed && m_options.mode == BatchOptions::Mode::install) ? 1 : 0);
}

} // namespace vexlo::cli
