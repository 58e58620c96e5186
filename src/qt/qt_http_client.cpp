#include "qt/qt_http_client.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace talvora::qt {

namespace {

constexpr double kDefaultTimeoutSeconds = 30;

int timeoutMilliseconds(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        seconds = kDefaultTimeoutSeconds;
    // At least a millisecond: Qt reads 0 as "no time-out".
    return static_cast<int>(std::clamp(std::ceil(seconds * 1000.0), 1.0, 24.0 * 3600 * 1000));
}

HttpResult resultOf(QNetworkReply& reply)
{
    HttpResult result;
    QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        // A status line arrived: whatever it says, the server answered. Qt reports 4xx and 5xx
        // as errors too, but for us they are responses.
        result.outcome = HttpResult::Outcome::Response;
        result.status = status.toInt();
        QByteArray body = reply.readAll();
        result.body.assign(body.constData(), static_cast<std::size_t>(body.size()));
        return result;
    }
    switch (reply.error()) {
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer time-out aborts the reply
        result.outcome = HttpResult::Outcome::TimedOut;
        result.errorDescription = "The server did not answer in time.";
        break;
    default:
        result.outcome = HttpResult::Outcome::TransportError;
        result.errorDescription = reply.errorString().toStdString();
        if (result.errorDescription.empty())
            result.errorDescription = "The request could not be sent.";
        break;
    }
    return result;
}

} // namespace

QtHttpClient::QtHttpClient(RunLoop& mainQueue)
    : m_mainQueue(mainQueue)
    , m_manager(std::make_unique<QNetworkAccessManager>())
{
    // Redirects are followed only when they keep the transfer as safe as it was (never from
    // https to http).
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QtHttpClient::~QtHttpClient()
{
    // Replies are children of the manager; the finished handlers see the token gone and drop
    // their completions.
    m_alive.reset();
    m_manager.reset();
}

void QtHttpClient::send(HttpRequest request, std::function<void(HttpResult)> completion)
{
    QNetworkRequest qrequest(QUrl(QString::fromStdString(request.url), QUrl::StrictMode));
    for (const auto& [name, value] : request.headers)
        qrequest.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    qrequest.setTransferTimeout(timeoutMilliseconds(request.timeoutSeconds));

    QByteArray body = QByteArray::fromStdString(request.body);
    QNetworkReply* reply = m_manager->sendCustomRequest(qrequest, QByteArray::fromStdString(request.method), body);

    std::weak_ptr<int> alive = m_alive;
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, alive, completion = std::move(completion)]() mutable {
        if (alive.expired())
            return;
        reply->deleteLater();
        HttpResult result = resultOf(*reply);
        m_mainQueue.async([alive, completion = std::move(completion), result = std::move(result)]() mutable {
            if (!alive.expired() && completion)
                completion(std::move(result));
        });
    });
}

} // namespace talvora::qt
