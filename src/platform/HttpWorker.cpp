#include "HttpWorker.h"

#include "HttpTransfer.h"

#include <algorithm>
#include <unistd.h>

namespace vexlo {

HttpWorker::HttpWorker()
    : m_multi(curl_multi_init())
{
    m_thread = std::thread([this] { run(); });
}

HttpWorker::~HttpWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    curl_multi_wakeup(m_multi);
    m_thread.join();
    curl_multi_cleanup(m_multi);
}

QFuture<HttpResult> HttpWorker::start(HttpRequest request, quint64 &id)
{
    auto transfer = std::make_unique<HttpTransfer>();
    transfer->request = std::move(request);
    transfer->promise.start();
    QFuture<HttpResult> future = transfer->promise.future();
    {
        const std::lock_guard lock(m_mutex);
        transfer->id = ++m_lastId;
        id = transfer->id;
        m_cancelFlags.emplace(transfer->id, transfer->cancelRequested);
        m_incoming.push_back(std::move(transfer));
    }
    curl_multi_wakeup(m_multi);
    return future;
}

void HttpWorker::cancel(quint64 id)
{
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_cancelFlags.find(id);
        if (found == m_cancelFlags.end())
            return;
        found->second->store(true);
    }
    curl_multi_wakeup(m_multi);
}

void HttpWorker::begin(std::unique_ptr<HttpTransfer> owned)
{
    HttpTransfer &transfer = *owned;
    const quint64 id = transfer.id;
    m_running.emplace(id, std::move(owned));
    QString text;
    if (const HttpError error = transfer.setUp(text); error != HttpError::none)
        finish(id, error, text);
    else if (curl_multi_add_handle(m_multi, transfer.easy) != CURLM_OK)
        finish(id, HttpError::connectionFailed, QStringLiteral("the transfer could not start"));
}

void HttpWorker::finish(quint64 id, HttpError error, QString text)
{
    const auto found = m_running.find(id);
    if (found == m_running.end())
        return;
    const std::unique_ptr<HttpTransfer> transfer = std::move(found->second);
    m_running.erase(found);
    {
        const std::lock_guard lock(m_mutex);
        m_cancelFlags.erase(id);
    }
    if (transfer->easy) {
        transfer->result.status = int(transfer->responseStatus());
        curl_multi_remove_handle(m_multi, transfer->easy);
        curl_easy_cleanup(transfer->easy);
    }
    HttpResult &result = transfer->result;
    result.error = error;
    if (!text.isEmpty())
        result.errorText = std::move(text);
    // What a failed transfer brought is no body.
    if (error == HttpError::none)
        result.errorText.clear();
    else
        result.body.clear();
    const bool failed = error != HttpError::none;
    transfer->promise.addResult(std::move(result));
    transfer->promise.finish();
    // A failed download's file is emptied here, after the result, so neither the result nor the
    // GUI thread's closing of the file waits while the kernel frees its pages.
    if (transfer->file >= 0) {
        if (failed)
            (void)::ftruncate(transfer->file, 0);
        ::close(transfer->file);
    }
}

void HttpWorker::endCancelled()
{
    std::vector<quint64> ended;
    for (const auto &[id, transfer] : m_running) {
        if (transfer->cancelRequested->load())
            ended.push_back(id);
    }
    for (const quint64 id : ended)
        finish(id, HttpError::cancelled, QStringLiteral("cancelled"));
}

// A transfer that waits in a phase where curl calls no callback still ends on time.
void HttpWorker::endSilent()
{
    const HttpTransfer::Clock::time_point now = HttpTransfer::Clock::now();
    std::vector<quint64> silent;
    for (const auto &[id, transfer] : m_running) {
        if (transfer->idleTooLong(now))
            silent.push_back(id);
    }
    for (const quint64 id : silent)
        finish(id, HttpError::timeout, m_running.at(id)->idleText());
}

int HttpWorker::pollTimeoutMs() const
{
    // Wakes when the first idle limit passes, so a silent transfer ends on time; new work and
    // cancellations wake the worker through curl_multi_wakeup.
    const HttpTransfer::Clock::time_point now = HttpTransfer::Clock::now();
    auto wait = std::chrono::milliseconds(10000);
    for (const auto &[id, transfer] : m_running) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            transfer->lastMove + transfer->request.idleTimeout - now);
        wait = std::clamp(left + std::chrono::milliseconds(1), std::chrono::milliseconds(0), wait);
    }
    return int(wait.count());
}

void HttpWorker::run()
{
    for (;;) {
        std::vector<std::unique_ptr<HttpTransfer>> fresh;
        bool stop = false;
        {
            const std::lock_guard lock(m_mutex);
            fresh.swap(m_incoming);
            stop = m_stopping;
        }
        for (auto &transfer : fresh)
            begin(std::move(transfer));
        endCancelled();
        if (stop) {
            while (!m_running.empty())
                finish(m_running.begin()->first, HttpError::cancelled, QStringLiteral("cancelled"));
            return;
        }

        int active = 0;
        curl_multi_perform(m_multi, &active);
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            HttpTransfer *transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            QString text;
            const HttpError error = transfer->outcome(message->data.result, text);
            finish(transfer->id, error, text);
        }
        endSilent();
        curl_multi_poll(m_multi, nullptr, 0, pollTimeoutMs(), nullptr);
    }
}

} // namespace vexlo
