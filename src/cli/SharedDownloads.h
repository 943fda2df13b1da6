#pragma once

#include "InstallEngine.h"
#include "platform/Async.h"

#include <QElapsedTimer>

#include <chrono>
#include <map>
#include <memory>
#include <optional>

namespace vexlo::cli {

// One download per board type, shared by every port that needs that image: a port asking while
// the download runs waits for it and gets its outcome. A downloaded image serves later ports
// until it is older than the bound (none: for the whole run); a failed one is fetched again by
// the next port that asks.
class SharedDownloads
{
public:
    SharedDownloads(const InstallEngine &engine, std::optional<std::chrono::milliseconds> maxAge);

    QCoro::Task<DownloadOutcome> image(BoardType type, LogSink log);

private:
    struct Fetch {
        OneShot done;
        bool finished = false;
        DownloadOutcome outcome;
        QElapsedTimer age;
    };

    const InstallEngine &m_engine;
    std::optional<std::chrono::milliseconds> m_maxAge;
    std::map<BoardType, std::shared_ptr<Fetch>> m_fetches;
};

} // namespace vexlo::cli
