#pragma once

// Private to the HTTP client: one transfer as its worker thread sees it.

#include "Http.h"

#include <QPromise>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace vexlo {

// One GET: its request, its curl handle, and what it has brought so far. After the hand-over
// only the worker touches it, except `cancelRequested`.
struct HttpTransfer {
    using Clock = std::chrono::steady_clock;

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

    // Makes the curl handle with the request's options and this transfer's callbacks. On a
    // failure it says why in `text`; a handle made before the failure is left in `easy`.
    HttpError setUp(QString &text);
    // What a transfer that curl reports done with `code` ends with, and its text.
    HttpError outcome(CURLcode code, QString &text);

    bool cancelled();
    bool idleTooLong(Clock::time_point now) const { return now - lastMove >= request.idleTimeout; }
    QString idleText() const;
    void abort(HttpError reason, QString text);
    // The status of the response received last; 0 before any.
    long responseStatus() const;
    bool statusAccepted(long status) const;
};

} // namespace vexlo
