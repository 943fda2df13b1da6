#pragma once

#include "firmware/FirmwareServer.h"
#include "model/BoardKind.h"
#include "model/BoardType.h"
#include "model/CoilexVariant.h"
#include "platform/Log.h"
#include "platform/Platform.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <optional>

namespace vexlo::cli {

// The steps of one install, in order; a failure names the one it happened in.
enum class InstallStep { detect, download, write, variant };

// The step's name in JSON events.
QString jsonName(InstallStep step);
// The step's name for people, in the UI language.
QString displayName(InstallStep step);

struct DetectOutcome {
    DetectedBoardKind kind = DetectedBoardKind::unknown; // unknown: failed, see reason
    QString reason;
};

struct DownloadOutcome {
    QString path; // empty: failed, see reason
    qint64 bytes = 0;
    QString sha256;
    QString reason;
};

struct WriteOutcome {
    std::optional<InstallStep> failedStep; // absent: image written and variant delivered
    QString reason;
};

// Where the engines find the tool and the server; the defaults are the program's own.
struct InstallEngineOptions {
    QStringList toolSearchPath = platform::toolSearchPath();
    FirmwareServer server;
};

// The one place where the command-line installer calls the engines (detection, download,
// flashing run) and turns what they return into outcomes with a step and a reason in words.
class InstallEngine
{
public:
    explicit InstallEngine(InstallEngineOptions options = {});

    QCoro::Task<DetectOutcome> detect(QString port, LogSink log) const;
    QCoro::Task<DownloadOutcome> download(BoardType type, LogSink log) const;
    QCoro::Task<WriteOutcome> flash(QString image, QString port, CoilexVariant variant,
                                    LogSink log) const;

private:
    InstallEngineOptions m_options;
};

} // namespace vexlo::cli
