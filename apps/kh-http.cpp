// kh-http: one request through HttpClient, as the client's managers make it. Prints the reply body
// on stdout and exits with HttpClient's error number (0 on success), so scripts and people can see
// exactly what a server conversation would see.

#include "http/HttpClient.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kUsageError = 255; // outside every error number of HttpClient

void PrintUsage(std::FILE* to)
{
    std::fputs("Usage: kh-http URL [BODY] [--utf8]\n"
               "Posts BODY (empty when not given) to URL through the client's HTTP transport and\n"
               "prints the reply body on stdout.\n"
               "  --utf8   send the body as UTF-8 and convert the reply from UTF-8, as the client does\n"
               "  --help   show this text\n"
               "Exit status: 0 on success, otherwise the transport's error number (114: not connected,\n"
               "132: connection closed early, ...); 255 for bad arguments.\n",
               to);
}

} // namespace

int main(int argc, char** argv)
{
    bool utf8 = false;
    const char* url = nullptr;
    const char* body = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--utf8") == 0)
            utf8 = true;
        else if (url == nullptr)
            url = argv[i];
        else if (body == nullptr)
            body = argv[i];
        else {
            std::fprintf(stderr, "kh-http: unexpected argument \"%s\"\n", argv[i]);
            PrintUsage(stderr);
            return kUsageError;
        }
    }
    if (url == nullptr) {
        PrintUsage(stderr);
        return kUsageError;
    }

    kh::HttpClient client;
    client.Reset();
    if (utf8)
        client.UseUtf8();
    std::string reply;
    int error = client.Send(url, body != nullptr ? body : "", reply);
    if (error != 0) {
        std::fprintf(stderr, "kh-http: request failed with error %d\n", error);
        return error;
    }
    std::fwrite(reply.data(), 1, reply.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kUsageError;
}
