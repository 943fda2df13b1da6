#pragma once

#include "Report.h"

namespace vexlo::cli {

// JSON Lines on standard output, one object per event, each written and flushed as it happens;
// everything else goes to standard error.
class JsonReport : public Report
{
public:
    void stepStarted(const QString &, InstallStep) override { }
    void detected(const QString &port, const DetectOutcome &detection) override;
    void downloaded(const QString &port, const DownloadOutcome &image) override;
    void progress(const QString &port, double fraction, std::chrono::milliseconds) override;
    void finished(const PortOutcome &outcome) override;
    void summary(const QList<PortOutcome> &outcomes) override;
    void note(const QString &text) override;
    LogSink engineLog(const QString &subject) override;
};

} // namespace vexlo::cli
