// HttpClient reading a reply of any content: a loopback listener, started once per run on a free
// port, answers every connection with the current input and then closes its sending side, so each
// request reads exactly the input (or stops earlier, where the reply says it is complete).
// Input: options on the first line ("u": UTF-8 mode; "h": keep the header block; "m" followed by
// the end marker, to the end of the line), the reply bytes in the rest.

#include "FuzzSupport.h"
#include "http/HttpClient.h"
#include "http/HttpErrors.h"
#include "platform/TextCodec.h"

#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace kh;
using namespace kh::fuzz;

namespace {

std::mutex replyMutex;
std::string currentReply;
std::string url;

void SendAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

// One connection at a time: the reply, the end of sending, then reading the request and whatever
// else comes until the client closes, so no unread data turns the close into a reset.
void Serve(int listener)
{
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::string reply;
        {
            std::lock_guard<std::mutex> guard(replyMutex);
            reply = currentReply;
        }
        SendAll(fd, reply);
        shutdown(fd, SHUT_WR);
        char buffer[4096];
        while (recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        close(fd);
    }
}

bool IsReadingError(int error)
{
    switch (error) {
    case kHttpOk:
    case kErrReplyTextEmpty:
    case kErrCookieWithoutName:
    case kErrReplyTooLarge:
    case kErrClosedEarly:
    case kErrToWideConvert:
    case kErrFromWideConvert:
    case kErrEmptyWideText:
    case kErrEmptyRecodedText:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("loopback listener");
        std::abort();
    }
    url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/get_sms";
    // Serves until the process ends; detached, so its thread object may be destroyed at exit.
    static std::thread server(Serve, listener);
    server.detach();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = SplitFields(data, size, 1);
    const std::string& options = fields[0];
    const bool utf8 = options.find('u') != std::string::npos;
    const bool keepHeaders = options.find('h') != std::string::npos;
    const size_t m = options.find('m');
    const std::string endMarker = m == std::string::npos ? std::string() : options.substr(m + 1);
    {
        std::lock_guard<std::mutex> guard(replyMutex);
        currentReply = fields[1];
    }
    // The text of the reply as the client sees it: up to the first zero byte.
    const std::string text = fields[1].substr(0, fields[1].find('\0'));

    HttpClient client;
    client.Reset();
    if (utf8)
        client.UseUtf8();
    client.SetTimeouts(5000, 5000, 5000);
    std::string reply = "unchanged";
    int error = client.Send(url, "token=abc&pid=1001", reply, {}, endMarker, keepHeaders);

    // Only the steps of reading can fail: the connection is always there and always answered.
    KH_FUZZ_CHECK(IsReadingError(error));
    if (error != kHttpOk) {
        KH_FUZZ_CHECK(reply == "unchanged");
        return 0;
    }
    if (utf8) {
        KH_FUZZ_CHECK(Utf8ToAnsi(reply) == reply);
    } else if (keepHeaders) {
        KH_FUZZ_CHECK(text.compare(0, reply.size(), reply) == 0);
    } else {
        KH_FUZZ_CHECK(text.find(reply) != std::string::npos);
    }
    for (const Cookie& cookie : client.Cookies())
        KH_FUZZ_CHECK(!cookie.name.empty());
    client.CookieHeader();
    return 0;
}
