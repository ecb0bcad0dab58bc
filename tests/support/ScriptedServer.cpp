#include "support/ScriptedServer.h"

#include <cstdlib>

namespace kh::test {

size_t ScriptedServer::RequestBodyLength(const std::string& headers)
{
    std::string lower = headers;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    size_t pos = lower.find("\r\ncontent-length:");
    if (pos == std::string::npos)
        return 0;
    return std::strtoul(lower.c_str() + pos + 17, nullptr, 10);
}

std::string ScriptedServer::JsonReply(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
ScriptedServer::ScriptedServer(std::string reply)
    : ScriptedServer(
          Handler([reply = std::move(reply)](SocketHandle socket, const std::string&) { SendAll(socket, reply); }))
{
}

ScriptedServer::ScriptedServer(Handler handler) : handler(std::move(handler))
{
    listenSocket = OpenLoopbackListener("ScriptedServer", port);
    thread = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer()
{
    // The accepting thread sees the flag with the next connection, which this one is.
    stopping = true;
    SocketHandle wake = ConnectLoopback(port);
    thread.join();
    CloseSocket(wake);
    CloseSocket(listenSocket);
}

std::string ScriptedServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::vector<std::string> ScriptedServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

bool ScriptedServer::WaitForRequests(size_t count, std::chrono::milliseconds deadline) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return recorded.wait_for(lock, deadline, [&] { return requests.size() >= count; });
}

std::string ScriptedServer::ReadHttpRequest(const std::function<long(char*, size_t)>& readSome)
{
    std::string request;
    size_t wanted = std::string::npos;
    char buffer[4096];
    while (wanted == std::string::npos || request.size() < wanted) {
        long n = readSome(buffer, sizeof buffer);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<size_t>(n));
        if (wanted == std::string::npos) {
            size_t end = request.find("\r\n\r\n");
            if (end != std::string::npos)
                wanted = end + 4 + RequestBodyLength(request.substr(0, end + 2));
        }
    }
    return request;
}

std::string ScriptedServer::ReadRequest(SocketHandle socket) const
{
    return ReadHttpRequest([socket](char* buffer, size_t size) { return ReceiveSome(socket, buffer, size); });
}

void ScriptedServer::Run()
{
    for (;;) {
        SocketHandle socket = AcceptConnection(listenSocket);
        if (stopping) {
            CloseSocket(socket);
            return;
        }
        if (socket == kNoSocket)
            continue;
        // A client that never finishes its request must not hold the server forever.
        SetSocketTimeouts(socket, 10000);
        std::string request = ReadRequest(socket);
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.push_back(keepRequests ? request : std::string());
        }
        recorded.notify_all();
        handler(socket, request);
        CloseSocket(socket);
    }
}

} // namespace kh::test
