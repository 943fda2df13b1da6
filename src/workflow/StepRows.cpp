#include "StepRows.h"

#include "FailureText.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vexlo {

namespace {

const QString dash = QStringLiteral("\u2013");
const QString dot = QStringLiteral(" \u00b7 ");

struct Text {
    Q_DECLARE_TR_FUNCTIONS(StepRows)
};

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
            done.detail = variantFailureText(run.flash);
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

} // namespace vexlo
