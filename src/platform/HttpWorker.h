#pragma once

// Private to the HTTP client: the thread that runs every transfer.

#include "Http.h"

#include <QFuture>

#include <curl/curl.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vexlo {

struct HttpTransfer;

// One thread drives all transfers through one curl multi handle. The GUI thread hands work over
// and cancels under the mutex, and wakes the thread; everything else is the thread's own.
class HttpWorker
{
public:
    // Starts the thread; curl's global state must be set up already.
    HttpWorker();
    // Ends every running transfer as cancelled and joins the thread.
    ~HttpWorker();

    HttpWorker(const HttpWorker &) = delete;
    HttpWorker &operator=(const HttpWorker &) = delete;

    // Hands the transfer over; the future holds its result.
    QFuture<HttpResult> start(HttpRequest request, quint64 &id);
    // Ends the transfer at the thread's next step; a finished or unknown id is ignored.
    void cancel(quint64 id);

private:
    void run();
    void begin(std::unique_ptr<HttpTransfer> transfer);
    void finish(quint64 id, HttpError error, QString text = {});
    void endCancelled();
    void endSilent();
    int pollTimeoutMs() const;

    CURLM *m_multi = nullptr;
    std::mutex m_mutex;
    // Handed over by the GUI thread under the mutex.
    std::vector<std::unique_ptr<HttpTransfer>> m_incoming;
    std::map<quint64, std::shared_ptr<std::atomic<bool>>> m_cancelFlags;
    bool m_stopping = false;
    quint64 m_lastId = 0;
    // The thread's own.
    std::map<quint64, std::unique_ptr<HttpTransfer>> m_running;
    std::thread m_thread;
};

} // namespace vexlo
