#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace talvora {

// One HTTP request. The time-out is in seconds of no progress on the transfer (as a URL
// request's timeout interval), never 0: a transfer that stalls always ends.
struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers; // in the order they are sent
    std::string body;
    double timeoutSeconds = 30;
};

// How a request ended. A response of any status is a `Response`; only then are `status` and
// `body` meaningful. `errorDescription` says in a sentence why there was no response.
struct HttpResult {
    enum class Outcome {
        Response, // the server answered with a status line
        TransportError, // no connection, refused, reset, name not found, TLS failure, bad URL
        TimedOut, // the transfer made no progress for the request's time-out
    };
    Outcome outcome = Outcome::TransportError;
    int status = 0;
    std::string body;
    std::string errorDescription;

    bool isSuccess() const { return outcome == Outcome::Response && status >= 200 && status <= 299; }
};

// The platform's URL loader. `send` returns at once; the transfer runs elsewhere and the
// completion is called exactly once, always later on the main queue (never from inside
// `send`), unless the client is destroyed first, in which case it is never called.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual void send(HttpRequest request, std::function<void(HttpResult)> completion) = 0;
};

} // namespace talvora
