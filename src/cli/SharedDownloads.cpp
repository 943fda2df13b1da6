#include "SharedDownloads.h"

namespace vexlo::cli {

namespace {

// GCC 12 moves from the object a "co_return member;" names, which would empty the shared outcome
// for every later caller: each one gets a copy.
DownloadOutcome copied(const DownloadOutcome &outcome)
{
    return outcome;
}

} // namespace

SharedDownloads::SharedDownloads(const InstallEngine &engine,
                                 std::optional<std::chrono::milliseconds> maxAge)
    : m_engine(engine)
    , m_maxAge(maxAge)
{
}

QCoro::Task<DownloadOutcome> SharedDownloads::image(BoardType type, LogSink log)
{
    // Kept by this caller even if a later fetch replaces it in the map.
    std::shared_ptr<Fetch> fetch = m_fetches.count(type) ? m_fetches[type] : nullptr;
    if (fetch && !fetch->finished) {
        co_await fetch->done.wait();
        co_return copied(fetch->outcome);
    }
    if (fetch && (!m_maxAge || !fetch->age.hasExpired(m_maxAge->count())))
        co_return copied(fetch->outcome);

    fetch = std::make_shared<Fetch>();
    m_fetches[type] = fetch;
    fetch->outcome = co_await m_engine.download(type, std::move(log));
    fetch->age.start();
    fetch->finished = true;
    if (fetch->outcome.path.isEmpty() && m_fetches[type] == fetch)
        m_fetches.erase(type);
    fetch->done.fire();
    co_return copied(fetch->outcome);
}

} // namespace vexlo::cli
