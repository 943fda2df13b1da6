#pragma once

#include "devices/BoardDetection.h"
#include "firmware/FirmwareDownload.h"
#include "flasher/Flasher.h"

#include <QString>

#include <chrono>

namespace vexlo {

// Why a step failed, in the UI language, as the window's rows and the installer's report say it.
QString detectionFailureText(const BoardDetection &detection, std::chrono::milliseconds limit);
QString downloadFailureText(const DownloadResult &download);
QString writeFailureText(const FlashOutcome &flash);
// A variant line that did not reach the board, with the system's words for why.
QString variantFailureText(const FlashOutcome &flash);
// A port that another Vexlo program (the window or the installer) works on.
QString portInUseText();

// Why a download, a write or a variant line failed, in the log's words (English).
QString failureLogText(const DownloadResult &download);
QString failureLogText(const FlashOutcome &flash);

} // namespace vexlo
