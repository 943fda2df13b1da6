#pragma once

#include "InstallEngine.h"
#include "platform/Log.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace vexlo::cli {

// How the install on one port ended.
struct PortOutcome {
    QString port;
    std::optional<InstallStep> failedStep; // absent: installed, variant included
    QString reason;
    std::optional<QString> variant; // what the board received; nothing on failure or for "u"
    double seconds = 0;

    bool installed() const { return !failedStep; }
};

// Receives what happens on the ports, as it happens, and tells the user: one implementation
// writes lines for people, one JSON events for programs.
class Report
{
public:
    virtual ~Report() = default;

    virtual void stepStarted(const QString &port, InstallStep step) = 0;
    virtual void detected(const QString &port, const DetectOutcome &detection) = 0;
    virtual void downloaded(const QString &port, const DownloadOutcome &image) = 0;
    // The estimate while the image is written: the share done and the time still expected.
    virtual void progress(const QString &port, double fraction,
                          std::chrono::milliseconds remaining) = 0;
    virtual void finished(const PortOutcome &outcome) = 0;
    virtual void summary(const QList<PortOutcome> &outcomes) = 0;
    // A word from the program itself (no port found, stopping).
    virtual void note(const QString &text) = 0;
    // Where the engines' own log lines about the subject go.
    virtual LogSink engineLog(const QString &subject) = 0;
};

} // namespace vexlo::cli
