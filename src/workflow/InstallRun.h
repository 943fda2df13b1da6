#pragma once

#include "StepRows.h"
#include "devices/SerialPortMonitor.h"
#include "firmware/FirmwareServer.h"
#include "flasher/FlasherOptions.h"
#include "model/BoardType.h"
#include "model/CoilexVariant.h"
#include "model/FlashStatus.h"
#include "platform/Async.h"

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

// The install runs on the selected port, one at a time: a press is refused with its reason, or
// downloads the image for the detected board, writes it and configures the variant, with an
// estimate of the write's progress. Keeps the record of the latest run while it describes the
// board on screen. Every setter notifies, also when the value does not change.
class InstallRun : public QObject
{
    Q_OBJECT
public:
    // chosenVariant is asked once the image is in hand: a variant chosen during the download is
    // the one configured.
    InstallRun(SerialPortMonitor &monitor, InstallSteps steps,
               std::function<CoilexVariant()> chosenVariant, QObject *parent = nullptr);
    ~InstallRun() override;

    FlashStatus status() const { return m_status; }
    bool isFlashing() const { return m_isFlashing; }
    double progress() const { return m_progress; }
    // From the download's start to the run's end; a press meanwhile starts nothing.
    bool isInstalling() const { return m_isInstalling; }
    bool hasStoppedStartingNew() const { return m_stoppedStartingNew; }
    // The latest run and the board it ran on; cleared once the rows no longer describe that board.
    const std::optional<InstallRecord> &lastRun() const { return m_lastRun; }

    // One press of the install button. Every outcome lands in status().
    void start();
    // From now on no run and no detection starts; a run under way goes on to its end.
    void stopStartingNew();

Q_SIGNALS:
    void statusChanged();
    void isFlashingChanged();
    void progressChanged();
    void isInstallingChanged();

private:
    QCoro::Task<> run();
    QCoro::Task<> trackFlashProgress(BoardType boardType, quint64 run, CancelTokenPtr cancel);
    void refuse(const QString &reason, FlashFailure failure = FlashFailure::refused);
    void endRun(FlashStatus status, std::optional<double> progress = std::nullopt);
    void forgetRunIfAnotherBoard();
    void setStatus(FlashStatus status);
    void setIsFlashing(bool flashing);
    void setProgress(double progress);
    void setIsInstalling(bool installing);

    SerialPortMonitor &m_monitor;
    InstallSteps m_steps;
    std::function<CoilexVariant()> m_chosenVariant;
    FlashStatus m_status = FlashStatus::idle;
    bool m_isFlashing = false;
    double m_progress = 0.0;
    bool m_isInstalling = false;
    bool m_stoppedStartingNew = false;
    std::optional<InstallRecord> m_lastRun;
    // Numbers the runs, so that an estimate never writes into a later run.
    quint64 m_run = 0;
    CancelTokenPtr m_estimate;
    // The run and its estimate; declared last, so the tasks go first.
    TaskOwner m_tasks;
};

} // namespace vexlo
