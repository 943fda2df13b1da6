#pragma once

#include "devices/SerialPortMonitor.h"
#include "firmware/FirmwareServer.h"
#include "flasher/FlasherOptions.h"
#include "model/BoardType.h"
#include "model/CoilexVariant.h"
#include "model/FlashStatus.h"
#include "platform/Async.h"
#include "workflow/StepRows.h"

#include <QObject>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

namespace vexlo {

// What an install run calls out to; the defaults download from the firmware server and flash
// with espflash. Tests put their own in and shorten the estimate's tick.
struct InstallSteps {
    std::function<QCoro::Task<DownloadResult>(BoardType)> download;
    std::function<QCoro::Task<FlashOutcome>(QString binPath, QString port, CoilexVariant)> flash;
    // Receives the run's own line when a step fails.
    LogSink log = standardOutputLog();
    std::chrono::milliseconds progressTick{500};
    std::function<std::chrono::milliseconds(BoardType)> expectedFlashDuration =
        vexlo::expectedFlashDuration;

    static InstallSteps real(FirmwareServer server = {}, FlasherOptions flasher = {});
};

// The main window's state, free of widgets: the port monitor, the chosen variant, the phase of
// the install run with its progress estimate, and the newest published firmware version. Every
// setter notifies, also when the value does not change.
class MainFlasherState : public QObject
{
    Q_OBJECT
public:
    explicit MainFlasherState(SerialPortMonitorOptions monitor = {},
                              InstallSteps steps = InstallSteps::real(), FirmwareServer server = {},
                              QObject *parent = nullptr);
    ~MainFlasherState() override;

    SerialPortMonitor &portMonitor() { return m_portMonitor; }
    CoilexVariant coilexVariant() const { return m_coilexVariant; }
    FlashStatus status() const { return m_status; }
    bool isFlashing() const { return m_isFlashing; }
    double progress() const { return m_progress; }
    QString latestFirmwareVersion() const { return m_latestFirmwareVersion; }
    bool shouldRefreshLatest() const { return m_shouldRefreshLatest; }
    // From the download's start to the run's end; a press meanwhile starts nothing.
    bool isInstalling() const { return m_isInstalling; }
    // The install button's rule: a port, a finished detection of a known board, no run.
    bool canInstall() const { return installBlockedReason().isEmpty(); }
    // Why the install button is disabled, in words; empty while it is enabled.
    QString installBlockedReason() const;
    // The latest run and the board it ran on; cleared once the rows no longer describe that board.
    const std::optional<InstallRecord> &lastRun() const { return m_lastRun; }
    // The facts the step rows are drawn from.
    StepInputs stepInputs() const;
    // "Erneut prüfen": a port is selected, no detection runs, no run owns the port.
    bool canRetryDetection() const;
    void retryDetection();
    // From now on no run and no detection starts; a run under way goes on to its end.
    void stopStartingNew();

    void setCoilexVariant(CoilexVariant variant);

    // One press of the install button: downloads the image for the detected board, writes it to
    // the selected port and configures the variant. Every outcome lands in status().
    void downloadAndInstall();

    // The window's show and hide hooks: the newest-version poll runs while the window is shown.
    void windowShown();
    void windowHidden();

Q_SIGNALS:
    void coilexVariantChanged();
    void statusChanged();
    void isFlashingChanged();
    void progressChanged();
    void latestFirmwareVersionChanged();
    void isInstallingChanged();
    void canInstallChanged();

private:
    std::optional<BoardType> detectedBoardType() const;
    bool isDetecting() const;
    void refuse(const QString &reason, FlashFailure failure = FlashFailure::refused);
    void endRun(FlashStatus status, std::optional<double> progress = std::nullopt);
    void forgetRunIfAnotherBoard();
    QCoro::Task<> installRun();
    QCoro::Task<> trackFlashProgress(BoardType boardType, quint64 run, CancelTokenPtr cancel);
    void setStatus(FlashStatus status);
    void setIsFlashing(bool flashing);
    void setProgress(double progress);
    void setIsInstalling(bool installing);

    SerialPortMonitor m_portMonitor;
    InstallSteps m_steps;
    FirmwareServer m_server;
    CoilexVariant m_coilexVariant = CoilexVariant::v4;
    FlashStatus m_status = FlashStatus::idle;
    bool m_isFlashing = false;
    double m_progress = 0.0;
    QString m_latestFirmwareVersion = QStringLiteral("0.0.0");
    bool m_shouldRefreshLatest = true;
    bool m_isInstalling = false;
    bool m_stoppedStartingNew = false;
    std::optional<InstallRecord> m_lastRun;
    // Numbers the runs, so that an estimate never writes into a later run.
    quint64 m_run = 0;
    CancelTokenPtr m_versionPoll;
    CancelTokenPtr m_estimate;
    // The run, its estimate and the version poll; declared last, so the tasks go first.
    TaskOwner m_tasks;
};

} // namespace vexlo
