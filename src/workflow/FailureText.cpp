#include "FailureText.h"

#include <QCoreApplication>

namespace vexlo {

namespace {

// The rows' context: their texts and these are translated together.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(StepRows)
};

// A tool that ended with a nonzero status, or was killed by a signal.
QString toolErrorText(int status, bool crashed)
{
    return crashed ? Text::tr("espflash-Fehler (Signal %1)").arg(status)
                   : Text::tr("espflash-Fehler (Status %1)").arg(status);
}

} // namespace

QString portInUseText()
{
    return Text::tr("ein anderes Vexlo Utility verwendet diesen Port");
}

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
        return toolErrorText(detection.toolStatus, detection.crashed);
    case DetectionFailure::portInUse:
        return portInUseText();
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
    case FlashFailure::portInUse:
        return portInUseText();
    case FlashFailure::toolFailed:
    case FlashFailure::variantNotSent:
    case FlashFailure::none:
        break;
    }
    return toolErrorText(flash.toolStatus, flash.crashed);
}

QString variantFailureText(const FlashOutcome &flash)
{
    return Text::tr("Variante nicht gesendet: ") + flash.reason;
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
    case FlashFailure::portInUse:
        return QStringLiteral("another Vexlo program is using the port");
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
