// kh-http: one request through HttpClient, as the client's managers make it. Prints the reply body
// on stdout and exits with HttpClient's error number (0 on success), so scripts and people can see
// exactly what a server conversation would see.

#include "base/Version.h"
#include "http/HttpClient.h"
#include "http/HttpErrorText.h"
#include "platform/Terminal.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 255; // outside every error number of HttpClient

void PrintUsage(std::FILE* to)
{
    std::fputs("Usage: kh-http URL [BODY] [--utf8] [--cacert FILE] [--insecure]\n"
               "Posts BODY (empty when not given) to URL through the client's HTTP transport and\n"
               "prints the reply body on stdout. Options may stand before or after URL and BODY.\n"
               "  --utf8          send the body as UTF-8 and convert the reply from UTF-8, as the client does\n"
               "  --cacert FILE   https: trust the certificate authorities in the PEM file FILE as well as\n"
               "                  the system's\n"
               "  -k, --insecure  https: do not check the server's certificate (the connection is then\n"
               "                  not verified)\n"
               "  --help          show this text\n"
               "  --version       print the version\n"
               "Exit status: 0 on success, otherwise the transport's error number (114: not connected,\n"
               "132: connection closed early, 134: the server's certificate failed the check, ...);\n"
               "255 for bad arguments.\n",
               to);
}

int UsageError(const char* message, const char* argument)
{
    std::fprintf(stderr, "kh-http: %s \"%s\"\n", message, argument);
    PrintUsage(stderr);
    return kUsageError;
}

} // namespace

int main(int argc, char** argv)
{
    // The body goes out byte for byte; arguments and messages are UTF-8.
    kh::UseUtf8Console();
    kh::UseBinaryStdout();
    const std::vector<std::string> arguments = kh::ProgramArguments(argc, argv);
    std::vector<const char*> args;
    for (const std::string& argument : arguments)
        args.push_back(argument.c_str());
    const int count = static_cast<int>(args.size());

    bool utf8 = false;
    kh::TlsOptions tls;
    const char* url = nullptr;
    const char* body = nullptr;
    for (int i = 1; i < count; ++i) {
        const char* argument = args[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::fputs("kh-http " KH_VERSION "\n", stdout);
            return 0;
        }
        if (std::strcmp(argument, "--utf8") == 0) {
            utf8 = true;
        } else if (std::strcmp(argument, "--insecure") == 0 || std::strcmp(argument, "-k") == 0) {
            tls.insecure = true;
        } else if (std::strcmp(argument, "--cacert") == 0) {
            if (i + 1 >= count)
                return UsageError("missing file after", argument);
            tls.caFile = args[++i];
        } else if (argument[0] == '-' && argument[1] == '-') {
            return UsageError("unknown option", argument);
        } else if (url == nullptr) {
            url = argument;
        } else if (body == nullptr) {
            body = argument;
        } else {
            return UsageError("unexpected argument", argument);
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
    client.SetTls(tls);
    std::string reply;
    int error = client.Send(url, body != nullptr ? body : "", reply);
    if (client.LastRequestUnverified())
        std::fputs("kh-http: warning: the server's certificate was not checked (--insecure)\n", stderr);
    if (error != 0) {
        std::string meaning = kh::HttpErrorText(error);
        if (client.LastTlsDetail().empty())
            std::fprintf(stderr, "kh-http: request failed with error %d: %s\n", error, meaning.c_str());
        else
            std::fprintf(stderr, "kh-http: request failed with error %d: %s (%s)\n", error, meaning.c_str(),
                         client.LastTlsDetail().c_str());
        return error;
    }
    std::fwrite(reply.data(), 1, reply.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kUsageError;
}
