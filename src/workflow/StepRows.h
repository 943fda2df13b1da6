#pragma once

#include "model/FlashStatus.h"

#include <QList>
#include <QString>

#include <optional>

namespace vexlo {

enum class StepStatus { idle, inProgress, success, failure };

// What one step row shows. The second line is plain text, or the progress bar over
// "Fortschritt:" while flashing.
struct StepRow {
    const char *titleKey;
    StepStatus status;
    std::optional<QString> detail;
    bool showsProgressBar = false;
};

// The values of the window state the rows are drawn from.
struct StepInputs {
    std::optional<QString> selectedDevice;
    FlashStatus status = FlashStatus::idle;
    bool isFlashing = false;
    QString lastFirmwareFileName;
};

// The four rows, in order: device found, firmware downloaded, installation running, successful.
QList<StepRow> stepRows(const StepInputs &inputs);

// The row's title: the string table's text for its key, or the key itself without an entry.
QString stepTitle(const char *key);

// "erfolgreich", "läuft", ...: the state of a mark in words, for screen readers.
QString stepStatusText(StepStatus status);

} // namespace vexlo
