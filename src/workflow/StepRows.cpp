#include "StepRows.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vexlo {

namespace {

const QString dash = QStringLiteral("\u2013");
const QString dot = QStringLiteral(" \u00b7 ");

struct Text {
    Q_DECLARE_TR_FUNCTIONS(StepRows)
};

QString detectionFailureText(const BoardDetection &detection, std::chrono::milliseconds limit)
{
    switch (detection.failure) {
    case DetectionFailure::toolMissing:
        return Text::tr("espflash nicht gefunden");
    case DetectionFailure::toolNotStarted:
        return Text::tr("espflash startet nicht");
    case DetectionFailure::timedOut:
        return Text::tr("keine Antwort in %1 s").arg(double(limit.count()) / 1000.0);
    case DetectionFailure::toolError:
        return detection.crashed
            ? Text::tr("espflash-Fehler (Signal %1)").arg(detection.toolStatus)
            : Text::tr("espflash-Fehler (Status %1)").arg(detection.toolStatus);
    case DetectionFailure::notRecognised:
    case DetectionFailure::none:
        break;
    }
    return Text::tr("Antwort nicht erkannt");
}

QString downloadFailureText(const DownloadResult &download)
{
    switch (download.failure) {
    case DownloadFailure::httpStatus:
        return Text::tr("Server antwortet %1").arg(download.httpStatus);
    case DownloadFailure::incomplete:
        return Text::tr("Übertragung abgebrochen");
    case DownloadFailure::notAnImage:
        return Text::tr("keine Firmware-Datei");
    case DownloadFailure::localFile:
        return Text::tr("Datei nicht speicherbar");
    case DownloadFailure::noAnswer:
    case DownloadFailure::none:
        break;
    }
    return Text::tr("keine Antwort");
}

QString writeFailureText(const FlashOutcome &flash)
{
    switch (flash.failure) {
    case FlashFailure::refused:
        return Text::tr("nicht gestartet");
    case FlashFailure::toolMissing:
        return Text::tr("espflash nicht gefunden");
    case FlashFailure::imageMissing:
        return Text::tr("Firmware-Datei fehlt");
    case FlashFailure::portMissing:
        return Text::tr("Port nicht vorhanden");
    case FlashFailure::toolNotStarted:
        return Text::tr("espflash startet nicht");
    case FlashFailure::portVanished:
        return Text::tr("Port beim Schreiben getrennt");
    case FlashFailure::toolFailed:
    case FlashFailure::variantNotSent:
    case FlashFailure::none:
        break;
    }
    return flash.crashed ? Text::tr("espflash-Fehler (Signal %1)").arg(flash.toolStatus)
                         : Text::tr("espflash-Fehler (Status %1)").arg(flash.toolStatus);
}

StepRow deviceRow(const StepInputs &in, bool showsRun)
{
    StepRow row{QT_TRANSLATE_NOOP("StepRows", "step_device_found"), StepStatus::failure,
                Text::tr("Port: ") + dash};
    // During a run the row describes the run's board, whatever the pop-up shows meanwhile.
    if (showsRun) {
        const bool present = in.availableDevices.contains(in.run->port);
        row.status = present ? StepStatus::success : StepStatus::failure;
        row.detail = Text::tr("Port: ") + in.run->port + dot
            + (present ? label(in.run->kind) : Text::tr("getrennt"));
        return row;
    }
    if (!in.selectedDevice)
        return row;
    row.detail = Text::tr("Port: ") + *in.selectedDevice;
    if (in.isDetectingBoard) {
        row.status = StepStatus::inProgress;
        return row;
    }
    row.toolTip = in.detection.output;
    if (in.detection.kind != DetectedBoardKind::unknown) {
        row.status = StepStatus::success;
        *row.detail += dot + label(in.detection.kind);
        return row;
    }
    *row.detail += dot + detectionFailureText(in.detection, in.detectionTimeLimit);
    row.offersRetry = true;
    return row;
}

} // namespace

QList<StepRow> stepRows(const StepInputs &in)
{
    QList<StepRow> rows{deviceRow(in, in.isInstalling && in.run)};
    // The run's outcome belongs to its board: shown while its port is selected, or while no port
    // is (an unplugged board keeps it).
    const bool outcomeShown =
        in.run && (in.isInstalling || !in.selectedDevice || *in.selectedDevice == in.run->port);
    const FlashStatus status = outcomeShown ? in.status : FlashStatus::idle;
    const InstallRecord none;
    const InstallRecord &run = outcomeShown ? *in.run : none;

    StepRow download{QT_TRANSLATE_NOOP("StepRows", "step_firmware_downloaded"), StepStatus::idle,
                     Text::tr("Datei: ") + dash};
    StepRow write{QT_TRANSLATE_NOOP("StepRows", "step_installation_running"), StepStatus::idle,
                  Text::tr("Fortschritt: ") + dash};
    StepRow done{QT_TRANSLATE_NOOP("StepRows", "step_successful"), StepStatus::idle, std::nullopt};
    if (status == FlashStatus::downloading)
        download.status = StepStatus::inProgress;
    if (status == FlashStatus::downloadFailed) {
        download.status = StepStatus::failure;
        download.detail = downloadFailureText(run.download);
    }
    if (run.download.path) {
        download.status = StepStatus::success;
        download.detail = Text::tr("Datei: ") + QFileInfo(*run.download.path).fileName();
    }

    if (in.isFlashing && outcomeShown) {
        write.status = StepStatus::inProgress;
        write.detail = Text::tr("Fortschritt:");
        write.showsProgressBar = true;
    } else if (run.flash.imageWritten) {
        write.status = StepStatus::success;
        write.detail = Text::tr("Fortschritt: fertig!");
    } else if (status == FlashStatus::flashFailed) {
        write.status = StepStatus::failure;
        write.detail = writeFailureText(run.flash);
    }

    if (status == FlashStatus::flashed) {
        done.status = StepStatus::success;
        done.detail = Text::tr("Variante: ") + rawValue(run.variant);
    } else if (status == FlashStatus::flashFailed) {
        done.status = StepStatus::failure;
        if (run.flash.failure == FlashFailure::variantNotSent)
            done.detail = Text::tr("Variante nicht gesendet: ") + run.flash.reason;
    }
    return rows << download << write << done;
}

QString stepTitle(const char *key)
{
    return Text::tr(key);
}

QString stepStatusText(StepStatus status)
{
    switch (status) {
    case StepStatus::idle:
        return Text::tr("nicht begonnen");
    case StepStatus::inProgress:
        return Text::tr("läuft");
    case StepStatus::success:
        return Text::tr("erfolgreich");
    case StepStatus::failure:
        break;
    }
    return Text::tr("fehlgeschlagen");
}

QString failureLogText(const DownloadResult &download)
{
    switch (download.failure) {
    case DownloadFailure::httpStatus:
        return QStringLiteral("server answered %1").arg(download.httpStatus);
    case DownloadFailure::noAnswer:
        return QStringLiteral("no answer (%1)").arg(download.detail);
    case DownloadFailure::incomplete:
        return QStringLiteral("transfer cut short (%1)").arg(download.detail);
    case DownloadFailure::notAnImage:
        return QStringLiteral("no firmware image (%1)").arg(download.detail);
    case DownloadFailure::localFile:
    case DownloadFailure::none:
        break;
    }
    return QStringLiteral("cannot store the image (%1)").arg(download.detail);
}

QString failureLogText(const FlashOutcome &flash)
{
    switch (flash.failure) {
    case FlashFailure::refused:
    case FlashFailure::variantNotSent:
        return flash.reason;
    case FlashFailure::toolMissing:
        return QStringLiteral("espflash not found");
    case FlashFailure::imageMissing:
        return QStringLiteral("image file missing");
    case FlashFailure::portMissing:
        return QStringLiteral("port not present");
    case FlashFailure::toolNotStarted:
        return QStringLiteral("espflash could not be started (%1)").arg(flash.reason);
    case FlashFailure::portVanished:
    case FlashFailure::toolFailed:
    case FlashFailure::none:
        break;
    }
    return QStringLiteral("espflash %1 %2%3")
        .arg(flash.crashed ? QStringLiteral("killed by signal") : QStringLiteral("exit status"))
        .arg(flash.toolStatus)
        .arg(flash.failure == FlashFailure::portVanished
                 ? QStringLiteral(", port gone during the write")
                 : QString());
}

} // namespace vexlo
