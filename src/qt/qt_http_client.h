#pragma once

#include "platform/http_client.h"
#include "platform/run_loop.h"

#include <memory>

class QNetworkAccessManager;

namespace talvora::qt {

// The URL loader on Qt Network. Made and used on the thread that owns the QCoreApplication.
// Every transfer has a transfer time-out (the request's, or 30 s when it asks for none), so a
// server that accepts and then says nothing cannot hold a request forever. Completions are
// handed to the main queue, so they never run inside `send` and never after the client is gone.
class QtHttpClient final : public HttpClient {
public:
    explicit QtHttpClient(RunLoop& mainQueue);
    ~QtHttpClient() override;
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    // HttpClient:
    void send(HttpRequest request, std::function<void(HttpResult)> completion) override;

private:
    RunLoop& m_mainQueue;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace talvora::qt
