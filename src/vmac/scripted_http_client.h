#pragma once

#include "platform/http_client.h"
#include "platform/run_loop.h"

#include <deque>
#include <memory>
#include <vector>

namespace talvora::vmac {

// A URL loader whose answers a test scripts. Every request is recorded; each is answered from
// the script in order (a 200 with an empty body once the script runs out), on the main queue,
// as a real loader answers. Held, requests wait until the test releases them, to model a
// request still in flight.
class ScriptedHttpClient final : public HttpClient {
public:
    explicit ScriptedHttpClient(RunLoop& mainQueue)
        : m_mainQueue(mainQueue)
    {
    }

    void answer(HttpResult result) { m_script.push_back(std::move(result)); }
    void answerStatus(int status, std::string body = {});
    void failTransport(std::string description = "The Internet connection appears to be offline.");
    void timeOut();

    // While holding, answers wait for `release`.
    void setHolding(bool holding) { m_holding = holding; }
    void release();

    const std::vector<HttpRequest>& requests() const { return m_requests; }
    std::size_t pendingCount() const { return m_pending.size(); }

    // HttpClient:
    void send(HttpRequest request, std::function<void(HttpResult)> completion) override;

private:
    void deliver(std::function<void(HttpResult)> completion, HttpResult result);

    RunLoop& m_mainQueue;
    std::deque<HttpResult> m_script;
    std::vector<HttpRequest> m_requests;
    bool m_holding = false;
    std::vector<std::pair<std::function<void(HttpResult)>, HttpResult>> m_pending;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace talvora::vmac
