#include "StepRows.h"

#include <QCoreApplication>

namespace vexlo {

namespace {

const QString dash = QStringLiteral("\u2013");

struct Text {
    Q_DECLARE_TR_FUNCTIONS(StepRows)
};

StepStatus downloadStep(FlashStatus status)
{
    switch (status) {
    case FlashStatus::idle:
        return StepStatus::idle;
    case FlashStatus::downloading:
        return StepStatus::inProgress;
    case FlashStatus::downloaded:
    case FlashStatus::flashed:
        return StepStatus::success;
    case FlashStatus::downloadFailed:
    case FlashStatus::flashFailed:
        break;
    }
    return StepStatus::failure;
}

StepStatus outcomeStep(FlashStatus status)
{
    if (status == FlashStatus::flashed)
        return StepStatus::success;
    return status == FlashStatus::flashFailed ? StepStatus::failure : StepStatus::idle;
}

} // namespace

QList<StepRow> stepRows(const StepInputs &in)
{
    const bool fileShown =
        in.status == FlashStatus::downloaded || in.status == FlashStatus::flashed;
    QString progressLine = Text::tr("Fortschritt: ") + dash;
    if (in.isFlashing)
        progressLine = Text::tr("Fortschritt:");
    else if (in.status == FlashStatus::flashed)
        progressLine = Text::tr("Fortschritt: fertig!");
    return {
        {QT_TRANSLATE_NOOP("StepRows", "step_device_found"),
         in.selectedDevice ? StepStatus::success : StepStatus::failure,
         Text::tr("Port: ") + in.selectedDevice.value_or(dash)},
        {QT_TRANSLATE_NOOP("StepRows", "step_firmware_downloaded"), downloadStep(in.status),
         Text::tr("Datei: ") + (fileShown ? in.lastFirmwareFileName : dash)},
        {QT_TRANSLATE_NOOP("StepRows", "step_installation_running"),
         in.isFlashing ? StepStatus::inProgress : outcomeStep(in.status), progressLine,
         in.isFlashing},
        {QT_TRANSLATE_NOOP("StepRows", "step_successful"), outcomeStep(in.status), std::nullopt},
    };
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
