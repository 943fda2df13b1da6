#include "HttpTransfer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vexlo {

namespace {

using Clock = HttpTransfer::Clock;

// Large reads keep the worker's wake-ups few; curl's own buffer, the only one the body passes.
constexpr long receiveBuffer = 512 * 1024;
// As many as a browser follows.
constexpr long largestRedirectChain = 50;

// Each header line. A redirect is followed under the same rule as the first request: plain
// http only to a loopback host; a redirect elsewhere ends the transfer before it connects.
size_t onHeader(char *line, size_t size, size_t count, void *context)
{
    HttpTransfer &transfer = *static_cast<HttpTransfer *>(context);
    transfer.lastMove = Clock::now();
    const size_t length = size * count;
    const long status = transfer.responseStatus();
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
    HttpTransfer &transfer = *static_cast<HttpTransfer *>(context);
    const size_t length = size * count;
    if (transfer.cancelled())
        return CURL_WRITEFUNC_ERROR;
    const long status = transfer.responseStatus();
    if (!transfer.statusAccepted(status)) {
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
        const qint64 limit = transfer.request.bodyLimit;
        if (transfer.result.body.size() + qint64(length) > limit) {
            transfer.abort(HttpError::tooLarge,
                           QStringLiteral("the body is larger than %1 bytes").arg(limit));
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
    HttpTransfer &transfer = *static_cast<HttpTransfer *>(context);
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
    transfer.abort(HttpError::timeout, transfer.idleText());
    return 1;
}

HttpError errorOf(CURLcode code, const HttpTransfer &transfer)
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

HttpError HttpTransfer::setUp(QString &text)
{
    easy = curl_easy_init();
    if (!easy) {
        text = QStringLiteral("out of memory");
        return HttpError::connectionFailed;
    }
    lastMove = Clock::now();
    if (request.fileDescriptor >= 0) {
        file = ::fcntl(request.fileDescriptor, F_DUPFD_CLOEXEC, 0);
        if (file < 0) {
            text = QString::fromLocal8Bit(std::strerror(errno));
            return HttpError::fileError;
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
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curlError);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    if (!request.caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, request.caFile.toLocal8Bit().constData());
    return HttpError::none;
}

HttpError HttpTransfer::outcome(CURLcode code, QString &text)
{
    text = result.errorText;
    if (text.isEmpty() && code != CURLE_OK)
        text = QString::fromUtf8(curlError[0] ? curlError : curl_easy_strerror(code));
    const long status = responseStatus();
    result.status = int(status);
    const HttpError error = errorOf(code, *this);
    if (error == HttpError::none && !statusAccepted(status)) {
        text = QStringLiteral("HTTP status %1").arg(status);
        return HttpError::httpStatus;
    }
    return error;
}

bool HttpTransfer::cancelled()
{
    if (!cancelRequested->load(std::memory_order_relaxed))
        return false;
    abort(HttpError::cancelled, QStringLiteral("cancelled"));
    return true;
}

QString HttpTransfer::idleText() const
{
    return QStringLiteral("nothing received for %1 ms").arg(request.idleTimeout.count());
}

void HttpTransfer::abort(HttpError reason, QString text)
{
    abortReason = reason;
    result.errorText = std::move(text);
}

long HttpTransfer::responseStatus() const
{
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

bool HttpTransfer::statusAccepted(long status) const
{
    return status >= request.firstAcceptedStatus && status <= request.lastAcceptedStatus;
}

} // namespace vexlo
