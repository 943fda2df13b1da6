#pragma once

#include "devices/BoardDetection.h"
#include "firmware/FirmwareDownload.h"
#include "flasher/Flasher.h"
#include "model/CoilexVariant.h"
#include "model/FlashStatus.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
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
    QString toolTip;
    // The row offers to check the board again (a detection that found no kind).
    bool offersRetry = false;
};

// The latest install run: the board it ran on, known by its port and MAC address, and what each
// step did to it.
struct InstallRecord {
    QString port;
    std::optional<QString> macAddress;
    DetectedBoardKind kind = DetectedBoardKind::unknown;
    CoilexVariant variant = CoilexVariant::v4; // the one sent to the board
    DownloadResult download;
    FlashOutcome flash;
};

// The facts the rows are drawn from.
struct StepInputs {
    std::optional<QString> selectedDevice;
    QStringList availableDevices;
    // A detection on the selected port runs, or is due.
    bool isDetectingBoard = false;
    // The finished detection on the selected port, when not detecting.
    BoardDetection detection;
    std::chrono::milliseconds detectionTimeLimit{30000};
    FlashStatus status = FlashStatus::idle;
    bool isFlashing = false;
    bool isInstalling = false;
    std::optional<InstallRecord> run;
};

// The four rows, in order: device found, firmware downloaded, installation running, successful.
QList<StepRow> stepRows(const StepInputs &inputs);

// The row's title: the string table's text for its key, or the key itself without an entry.
QString stepTitle(const char *key);

// "erfolgreich", "läuft", ...: the state of a mark in words, for screen readers.
QString stepStatusText(StepStatus status);

} // namespace vexlo
