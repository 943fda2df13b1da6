#include "Http.h"

#include "HttpWorker.h"

#include <QCoroFuture>

#include <curl/curl.h>

namespace vexlo {

HttpClient &HttpClient::instance()
{
    static HttpClient client;
    return client;
}

HttpClient::HttpClient()
{
    // Once per process, as there is one client. Safe after other threads exist: Debian's libcurl
    // is built thread-safe (curl -V lists "threadsafe").
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_worker = std::make_unique<HttpWorker>();
}

HttpClient::~HttpClient()
{
    m_worker.reset();
    curl_global_cleanup();
}

QCoro::Task<HttpResult> HttpClient::get(HttpRequest request, CancelTokenPtr cancel)
{
    if (cancel && cancel->isCancelled())
        co_return HttpResult{HttpError::cancelled, 0, QStringLiteral("cancelled"), {}, 0};
    quint64 id = 0;
    const QFuture<HttpResult> future = m_worker->start(std::move(request), id);
    QMetaObject::Connection cancelling;
    if (cancel)
        cancelling = QObject::connect(cancel.get(), &CancelToken::cancelled, cancel.get(),
                                      [worker = m_worker.get(), id] { worker->cancel(id); });
    HttpResult result = co_await future;
    QObject::disconnect(cancelling);
    co_return result;
}

} // namespace vexlo
