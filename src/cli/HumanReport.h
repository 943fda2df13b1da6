#pragma once

#include "Report.h"

#include <QElapsedTimer>

#include <chrono>
#include <map>

namespace vexlo::cli {

// Lines for people on standard output, each prefixed with its port, in the UI language. On a
// terminal the ports being written keep one progress line each at the bottom, redrawn in place;
// elsewhere (a file, a pipe) a port's progress is printed at most once per interval.
class HumanReport : public Report
{
public:
    struct Options {
        bool terminal = false;
        int columns = 80;
        bool engineLogToStandardError = true;
        std::chrono::milliseconds progressInterval{5000};
    };
    // Options for the program's own streams: whether they are terminals, and how wide.
    static Options forStandardStreams();

    explicit HumanReport(Options options);

    void stepStarted(const QString &port, InstallStep step) override;
    void detected(const QString &port, const DetectOutcome &detection) override;
    void downloaded(const QString &port, const DownloadOutcome &image) override;
    void progress(const QString &port, double fraction,
                  std::chrono::milliseconds remaining) override;
    void finished(const PortOutcome &outcome) override;
    void summary(const QList<PortOutcome> &outcomes) override;
    void note(const QString &text) override;
    LogSink engineLog(const QString &subject) override;

private:
    void print(const QString &line);
    void portLine(const QString &port, const QString &text);
    void eraseLiveLines();
    void drawLiveLines();

    Options m_options;
    std::map<QString, QString> m_liveLines; // port -> its progress line, while it is written
    int m_liveLinesShown = 0;
    std::map<QString, QElapsedTimer> m_lastProgressPrinted;
};

} // namespace vexlo::cli
