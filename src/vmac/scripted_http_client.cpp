#include "vmac/scripted_http_client.h"

namespace talvora::vmac {

void ScriptedHttpClient::answerStatus(int status, std::string body)
{
    answer(HttpResult { HttpResult::Outcome::Response, status, std::move(body), {} });
}

void ScriptedHttpClient::failTransport(std::string description)
{
    answer(HttpResult { HttpResult::Outcome::TransportError, 0, {}, std::move(description) });
}

void ScriptedHttpClient::timeOut()
{
    answer(HttpResult { HttpResult::Outcome::TimedOut, 0, {}, "The request timed out." });
}

void ScriptedHttpClient::send(HttpRequest request, std::function<void(HttpResult)> completion)
{
    m_requests.push_back(std::move(request));
    HttpResult result { HttpResult::Outcome::Response, 200, {}, {} };
    if (!m_script.empty()) {
        result = std::move(m_script.front());
        m_script.pop_front();
    }
    if (m_holding)
        m_pending.emplace_back(std::move(completion), std::move(result));
    else
        deliver(std::move(completion), std::move(result));
}

void ScriptedHttpClient::release()
{
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto& [completion, result] : pending)
        deliver(std::move(completion), std::move(result));
}

void ScriptedHttpClient::deliver(std::function<void(HttpResult)> completion, HttpResult result)
{
    std::weak_ptr<int> alive = m_alive;
    m_mainQueue.async([alive, completion = std::move(completion), result = std::move(result)]() mutable {
        if (!alive.expired() && completion)
            completion(std::move(result));
    });
}

} // namespace talvora::vmac
