#pragma once

#include "InstallRun.h"
#include "StepRows.h"
#include "devices/SerialPortMonitor.h"
#include "firmware/FirmwareServer.h"
#include "model/CoilexVariant.h"
#include "model/FlashStatus.h"
#include "platform/Async.h"

#include <QObject>
#include <QString>

namespace vexlo {

// The main window's state, free of widgets: the port monitor, the chosen variant, the install
// run, and the newest published firmware version. Every setter notifies, also when the value
// does not change.
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
    FlashStatus status() const { return m_install.status(); }
    bool isFlashing() const { return m_install.isFlashing(); }
    double progress() const { return m_install.progress(); }
    QString latestFirmwareVersion() const { return m_latestFirmwareVersion; }
    // From the download's start to the run's end; a press meanwhile starts nothing.
    bool isInstalling() const { return m_install.isInstalling(); }
    // The install button's rule: a port, a finished detection of a known board, no run.
    bool canInstall() const { return installBlockedReason().isEmpty(); }
    // Why the install button is disabled, in words; empty while it is enabled.
    QString installBlockedReason() const;
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
    void downloadAndInstall() { m_install.start(); }

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
    friend struct MainFlasherStateTestAccess;

    SerialPortMonitor m_portMonitor;
    CoilexVariant m_coilexVariant = CoilexVariant::v4;
    InstallRun m_install;
    FirmwareServer m_server;
    QString m_latestFirmwareVersion = QStringLiteral("0.0.0");
    bool m_shouldRefreshLatest = true;
    CancelTokenPtr m_versionPoll;
    // The version poll; declared last, so the task goes first.
    TaskOwner m_tasks;
};

} // namespace vexlo
