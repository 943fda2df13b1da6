#include "Http.h"

#include <QPromise>

#include <QCoroFuture>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vexlo {

namespace {

using Clock = std::chrono::steady_clock;

// Large reads keep the worker's wake-ups few; curl's own buffer, the only one the body passes.
constexpr long receiveBuffer = 512 * 1024;
// As many as a browser follows.
constexpr long largestRedirectChain = 50;

struct Transfer {
    quint64 id = 0;
    HttpRequest request;
    QPromise<HttpResult> promise;
    CURL *easy = nullptr;
    HttpResult result;
    Clock::time_point lastMove = Clock::now();
    curl_off_t downloaded = 0, uploaded = 0;
    // Set by a callback that ends the transfer, which curl then reports as its own error.
    HttpError abortReason = HttpError::none;
    char curlError[CURL_ERROR_SIZE] = {};
    // The worker's own duplicate of the request's file descriptor: the owner may close its own
    // as soon as the result is there, while the worker still empties the file of a failure.
    int file = -1;
    // Set by the GUI thread; the callbacks end the transfer at their next call.
    std::shared_ptr<std::atomic<bool>> cancelRequested = std::make_shared<std::atomic<bool>>();

    bool cancelled()
    {
        if (!cancelRequested->load(std::memory_order_relaxed))
            return false;
        abort(HttpError::cancelled, QStringLiteral("cancelled"));
        return true;
    }

    bool idleTooLong(Clock::time_point now) const { return now - lastMove >= request.idleTimeout; }
    void abort(HttpError reason, QString text)
    {
        abortReason = reason;
        result.errorText = std::move(text);
    }
};

// Each header line. A redirect is followed under the same rule as the first request: plain
// http only to a loopback host; a redirect elsewhere ends the transfer before it connects.
size_t onHeader(char *line, size_t size, size_t count, void *context)
{
    Transfer &transfer = *static_cast<Transfer *>(context);
    transfer.lastMove = Clock::now();
    const size_t length = size * count;
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status < 300 || status > 399 || length < 9 || qstrnicmp(line, "location:", 9) != 0)
        return length;
    const QByteArray header = QByteArray::fromRawData(line, qsizetype(length));
    char *current = nullptr;
    curl_easy_getinfo(transfer.easy, CURLINFO_EFFECTIVE_URL, &current);
    const QUrl url = QUrl(QString::fromUtf8(current ? current : ""))
                         .resolved(QUrl(QString::fromUtf8(header.mid(9).trimmed())));
    if (url.scheme() != u"http" || isLoopbackHttp(url))
        return length;
    transfer.abort(HttpError::connectionFailed,
                   QStringLiteral("redirected to plain http on ") + url.host()
                       + QStringLiteral(", which is no loopback host"));
    return CURL_WRITEFUNC_ERROR;
}

size_t onBody(char *data, size_t size, size_t count, void *context)
{
    Transfer &transfer = *static_cast<Transfer *>(context);
    const size_t length = size * count;
    if (transfer.cancelled())
        return CURL_WRITEFUNC_ERROR;
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    const HttpRequest &request = transfer.request;
    if (status < request.firstAcceptedStatus || status > request.lastAcceptedStatus) {
        transfer.abort(HttpError::httpStatus, QStringLiteral("HTTP status %1").arg(status));
        return CURL_WRITEFUNC_ERROR;
    }
    transfer.lastMove = Clock::now();
    if (transfer.file >= 0) {
        for (size_t written = 0; written < length;) {
            const ssize_t now = ::write(transfer.file, data + written, length - written);
            if (now < 0 && errno == EINTR)
                continue;
            if (now <= 0) {
                transfer.abort(HttpError::fileError, QString::fromLocal8Bit(std::strerror(errno)));
                return CURL_WRITEFUNC_ERROR;
            }
            written += size_t(now);
        }
    } else {
        if (transfer.result.body.size() + qint64(length) > request.bodyLimit) {
            transfer.abort(
                HttpError::tooLarge,
                QStringLiteral("the body is larger than %1 bytes").arg(request.bodyLimit));
            return CURL_WRITEFUNC_ERROR;
        }
        transfer.result.body.append(data, qsizetype(length));
    }
    transfer.result.bodySize += qint64(length);
    return length;
}

// Called often while a transfer runs, and about once a second while it waits.
int onProgress(void *context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded)
{
    Transfer &transfer = *static_cast<Transfer *>(context);
    if (transfer.cancelled())
        return 1;
    const Clock::time_point now = Clock::now();
    if (downloaded != transfer.downloaded || uploaded != transfer.uploaded) {
        transfer.downloaded = downloaded;
        transfer.uploaded = uploaded;
        transfer.lastMove = now;
    }
    if (!transfer.idleTooLong(now))
        return 0;
    transfer.abort(
        HttpError::timeout,
        QStringLiteral("nothing received for %1 ms").arg(transfer.request.idleTimeout.count()));
    return 1;
}

HttpError errorOf(CURLcode code, const Transfer &transfer)
{
    if (transfer.abortReason != HttpError::none)
        return transfer.abortReason;
    switch (code) {
    case CURLE_OK:
        return HttpError::none;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpError::timeout;
    case CURLE_PARTIAL_FILE:
        return HttpError::partialBody;
    case CURLE_WRITE_ERROR:
        return HttpError::fileError;
    case CURLE_RECV_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        // Broken off after the response began: what came is not the whole body.
        return transfer.result.status != 0 ? HttpError::partialBody : HttpError::connectionFailed;
    default:
        return HttpError::connectionFailed;
    }
}

} // namespace

struct HttpClient::Worker {
    CURLM *multi = nullptr;
    std::mutex mutex;
    // Handed over by the GUI thread under the mutex.
    std::vector<std::unique_ptr<Transfer>> incoming;
    std::map<quint64, std::shared_ptr<std::atomic<bool>>> cancelFlags;
    bool stopping = false;
    quint64 lastId = 0;
    // The worker's own.
    std::map<quint64, std::unique_ptr<Transfer>> running;
    std::thread thread;

    void run();
    void begin(std::unique_ptr<Transfer> transfer);
    void finish(quint64 id, HttpError error, QString text = {});
    void endCancelled();
    int pollTimeoutMs(Clock::time_point now) const;
};

void HttpClient::Worker::begin(std::unique_ptr<Transfer> owned)
{
    Transfer &transfer = *owned;
    const quint64 id = transfer.id;
    running.emplace(id, std::move(owned));
    CURL *easy = curl_easy_init();
    if (!easy) {
        finish(id, HttpError::connectionFailed, QStringLiteral("out of memory"));
        return;
    }
    transfer.easy = easy;
    transfer.lastMove = Clock::now();
    const HttpRequest &request = transfer.request;
    if (request.fileDescriptor >= 0) {
        transfer.file = ::fcntl(request.fileDescriptor, F_DUPFD_CLOEXEC, 0);
        if (transfer.file < 0) {
            finish(id, HttpError::fileError, QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
    }
    const char *protocols = isLoopbackHttp(request.url) ? "http,https" : "https";
    const QByteArray url = request.url.toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, largestRedirectChain);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, receiveBuffer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.curlError);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    if (!request.caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, request.caFile.toLocal8Bit().constData());
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        finish(id, HttpError::connectionFailed, QStringLiteral("the transfer could not start"));
}

void HttpClient::Worker::finish(quint64 id, HttpError error, QString text)
{
    const auto found = running.find(id);
    if (found == running.end())
        return;
    const std::unique_ptr<Transfer> transfer = std::move(found->second);
    running.erase(found);
    {
        const std::lock_guard lock(mutex);
        cancelFlags.erase(id);
    }
    if (transfer->easy) {
        long status = 0;
        curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
        transfer->result.status = int(status);
        curl_multi_remove_handle(multi, transfer->easy);
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

void HttpClient::Worker::endCancelled()
{
    std::vector<quint64> ended;
    for (const auto &[id, transfer] : running) {
        if (transfer->cancelRequested->load())
            ended.push_back(id);
    }
    for (const quint64 id : ended)
        finish(id, HttpError::cancelled, QStringLiteral("cancelled"));
}

int HttpClient::Worker::pollTimeoutMs(Clock::time_point now) const
{
    // Wakes when the first idle limit passes, so a silent transfer ends on time; new work and
    // cancellations wake the worker through curl_multi_wakeup.
    auto wait = std::chrono::milliseconds(10000);
    for (const auto &[id, transfer] : running) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            transfer->lastMove + transfer->request.idleTimeout - now);
        wait = std::clamp(left + std::chrono::milliseconds(1), std::chrono::milliseconds(0), wait);
    }
    return int(wait.count());
}

void HttpClient::Worker::run()
{
    for (;;) {
        std::vector<std::unique_ptr<Transfer>> fresh;
        bool stop = false;
        {
            const std::lock_guard lock(mutex);
            fresh.swap(incoming);
            stop = stopping;
        }
        for (auto &transfer : fresh)
            begin(std::move(transfer));
        endCancelled();
        if (stop) {
            while (!running.empty())
                finish(running.begin()->first, HttpError::cancelled, QStringLiteral("cancelled"));
            return;
        }

        int active = 0;
        curl_multi_perform(multi, &active);
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Transfer *transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            const CURLcode code = message->data.result;
            QString text = transfer->result.errorText;
            if (text.isEmpty() && code != CURLE_OK)
                text = QString::fromUtf8(transfer->curlError[0] ? transfer->curlError
                                                                : curl_easy_strerror(code));
            long status = 0;
            curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
            transfer->result.status = int(status);
            HttpError error = errorOf(code, *transfer);
            if (error == HttpError::none
                && (status < transfer->request.firstAcceptedStatus
                    || status > transfer->request.lastAcceptedStatus)) {
                error = HttpError::httpStatus;
                text = QStringLiteral("HTTP status %1").arg(status);
            }
            finish(transfer->id, error, text);
        }

        // A transfer that waits in a phase where curl calls no callback still ends on time.
        const Clock::time_point now = Clock::now();
        std::vector<quint64> silent;
        for (const auto &[id, transfer] : running) {
            if (transfer->idleTooLong(now))
                silent.push_back(id);
        }
        for (const quint64 id : silent)
            finish(id, HttpError::timeout,
                   QStringLiteral("nothing received for %1 ms")
                       .arg(running.at(id)->request.idleTimeout.count()));

        curl_multi_poll(multi, nullptr, 0, pollTimeoutMs(Clock::now()), nullptr);
    }
}

HttpClient &HttpClient::instance()
{
    static HttpClient client;
    return client;
}

HttpClient::HttpClient()
    : m_worker(std::make_unique<Worker>())
{
    // Once per process, as there is one client. Safe after other threads exist: Debian's libcurl
    // is built thread-safe (curl -V lists "threadsafe").
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_worker->multi = curl_multi_init();
    m_worker->thread = std::thread([worker = m_worker.get()] { worker->run(); });
}

HttpClient::~HttpClient()
{
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->stopping = true;
    }
    curl_multi_wakeup(m_worker->multi);
    m_worker->thread.join();
    curl_multi_cleanup(m_worker->multi);
    curl_global_cleanup();
}

QFuture<HttpResult> HttpClient::start(HttpRequest request, quint64 &id)
{
    auto transfer = std::make_unique<Transfer>();
    transfer->request = std::move(request);
    transfer->promise.start();
    QFuture<HttpResult> future = transfer->promise.future();
    {
        const std::lock_guard lock(m_worker->mutex);
        transfer->id = ++m_worker->lastId;
        id = transfer->id;
        m_worker->cancelFlags.emplace(transfer->id, transfer->cancelRequested);
        m_worker->incoming.push_back(std::move(transfer));
    }
    curl_multi_wakeup(m_worker->multi);
    return future;
}

void HttpClient::cancel(quint64 id)
{
    {
        const std::lock_guard lock(m_worker->mutex);
        const auto found = m_worker->cancelFlags.find(id);
        if (found == m_worker->cancelFlags.end())
            return;
        found->second->store(true);
    }
    curl_multi_wakeup(m_worker->multi);
}

QCoro::Task<HttpResult> HttpClient::get(HttpRequest request, CancelTokenPtr cancel)
{
    if (cancel && cancel->isCancelled())
        co_return HttpResult{HttpError::cancelled, 0, QStringLiteral("cancelled"), {}, 0};
    quint64 id = 0;
    const QFuture<HttpResult> future = start(std::move(request), id);
    QMetaObject::Connection cancelling;
    if (cancel)
        cancelling = QObject::connect(cancel.get(), &CancelToken::cancelled, cancel.get(),
                                      [this, id] { this->cancel(id); });
    HttpResult result = co_await future;
    QObject::disconnect(cancelling);
    co_return result;
}

} // namespace vexlo
