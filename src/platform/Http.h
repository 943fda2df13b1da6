#pragma once

#include "platform/Async.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <memory>

namespace vexlo {

class HttpWorker;

// Plain http to a loopback host (127.0.0.1, localhost): the only plain http the program speaks
// or opens.
inline bool isLoopbackHttp(const QUrl &url)
{
    const QString host = url.host();
    return url.scheme() == u"http"
        && (host == u"127.0.0.1" || host.compare(u"localhost", Qt::CaseInsensitive) == 0);
}

// Why a transfer failed.
enum class HttpError {
    none,
    timeout,          // nothing arrived for the idle limit
    connectionFailed, // name resolution, connection, TLS, a refused address or scheme
    httpStatus,       // the final response's status is not one the request accepts
    partialBody,      // the connection ended before the whole body arrived
    tooLarge,         // the body is larger than the request's limit
    cancelled,
    fileError, // the body could not be written to its file
};

// What a transfer brought. `errorText` says what went wrong in libcurl's words or ours.
struct HttpResult {
    HttpError error = HttpError::none;
    int status = 0; // the final response's status; 0 when there was no HTTP response
    QString errorText;
    QByteArray body;     // the body when it is kept in memory
    qint64 bodySize = 0; // bytes of the accepted response's body received
};

struct HttpRequest {
    QUrl url;
    // A transfer that moves no byte for this long has failed; it covers the connection too.
    std::chrono::milliseconds idleTimeout{10000};
    // The statuses that count; another final status ends the transfer before its body.
    int firstAcceptedStatus = 200;
    int lastAcceptedStatus = 299;
    // With a file descriptor, the body is written to it as it arrives and not kept; otherwise
    // it is kept in memory up to `bodyLimit` bytes.
    int fileDescriptor = -1;
    qint64 bodyLimit = 64 * 1024;
    // A CA bundle to trust instead of the system's; for tests.
    QString caFile;
};

// The program's one HTTP client. One worker thread runs every transfer; the GUI thread only
// starts and cancels them and receives their results. Only https is spoken, plain http only to
// a loopback host (127.0.0.1, localhost); redirects are followed under the same rule.
// Certificates are verified; proxies come from the environment (https_proxy, no_proxy).
class HttpClient
{
public:
    // The process's instance, made on first use; its worker ends when the process ends.
    static HttpClient &instance();

    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    // Runs a GET on the worker thread and suspends the calling coroutine until it ends;
    // cancelling the token ends it at once, and a token cancelled already sends nothing.
    QCoro::Task<HttpResult> get(HttpRequest request, CancelTokenPtr cancel = {});

private:
    HttpClient();
    ~HttpClient();

    std::unique_ptr<HttpWorker> m_worker;
};

} // namespace vexlo
