#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <cctype>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace talvora::test_support {

// A small HTTP/1.1 server for network tests, on 127.0.0.1 and a port the system picks. It
// records every request and answers from a script (200 with an empty body once the script
// runs out); a scripted `hang` accepts the request and never answers. Runs on the Qt event
// loop of the thread that made it.
class LoopbackHttpServer {
public:
    struct Request {
        std::string method;
        std::string target; // path and query
        std::vector<std::pair<std::string, std::string>> headers; // as received
        std::string body;

        std::optional<std::string> header(const std::string& name) const
        {
            for (const auto& [key, value] : headers) {
                if (lower(key) == lower(name))
                    return value;
            }
            return std::nullopt;
        }
    };
    struct Response {
        int status = 200;
        std::string body;
        std::string contentType = "text/plain";
        bool hang = false;
    };

    LoopbackHttpServer()
    {
        m_server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                accept(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string url(const std::string& path = "") const
    {
        return "http://127.0.0.1:" + std::to_string(m_server.serverPort()) + path;
    }

    void respond(Response response) { m_script.push_back(std::move(response)); }
    void respondStatus(int status, std::string body = {}) { respond(Response { status, std::move(body) }); }
    void hang() { respond(Response { 0, {}, {}, true }); }

    const std::vector<Request>& requests() const { return m_requests; }

private:
    struct Connection {
        QTcpSocket* socket;
        std::string buffer;
    };

    static std::string lower(std::string text)
    {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }

    void accept(QTcpSocket* socket)
    {
        socket->setParent(&m_server);
        auto connection = std::make_shared<Connection>(Connection { socket, {} });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, connection] {
            QByteArray data = connection->socket->readAll();
            connection->buffer.append(data.constData(), static_cast<std::size_t>(data.size()));
            while (auto request = takeRequest(connection->buffer))
                answer(*connection->socket, std::move(*request));
        });
    }

    // One complete request off the front of the buffer, if it holds one.
    static std::optional<Request> takeRequest(std::string& buffer)
    {
        auto end = buffer.find("\r\n\r\n");
        if (end == std::string::npos)
            return std::nullopt;
        Request request;
        std::string head = buffer.substr(0, end);
        std::size_t lineEnd = head.find("\r\n");
        std::string requestLine = head.substr(0, lineEnd);
        auto space1 = requestLine.find(' ');
        auto space2 = requestLine.find(' ', space1 + 1);
        request.method = requestLine.substr(0, space1);
        request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
        std::size_t contentLength = 0;
        while (lineEnd != std::string::npos) {
            std::size_t next = head.find("\r\n", lineEnd + 2);
            std::string line = head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
            auto colon = line.find(':');
            if (colon != std::string::npos) {
                std::string name = line.substr(0, colon);
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                if (lower(name) == "content-length")
                    contentLength = std::stoul(value);
                request.headers.emplace_back(name, value);
            }
            lineEnd = next;
        }
        if (buffer.size() < end + 4 + contentLength)
            return std::nullopt;
        request.body = buffer.substr(end + 4, contentLength);
        buffer.erase(0, end + 4 + contentLength);
        return request;
    }

    void answer(QTcpSocket& socket, Request request)
    {
        m_requests.push_back(std::move(request));
        Response response;
        if (!m_script.empty()) {
            response = std::move(m_script.front());
            m_script.pop_front();
        }
        if (response.hang)
            return;
        std::string text = "HTTP/1.1 " + std::to_string(response.status) + " Scripted\r\nContent-Type: " + response.contentType
            + "\r\nContent-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n" + response.body;
        socket.write(text.data(), static_cast<qint64>(text.size()));
        socket.disconnectFromHost();
    }

    QTcpServer m_server;
    std::deque<Response> m_script;
    std::vector<Request> m_requests;
};

} // namespace talvora::test_support
