// Requests per second of HttpClient against a server given by URL, as a plain program built for
// both systems (Google Benchmark is not part of the Windows build): bench/run-windows runs the
// Linux and the Windows build against one sandbox and prints the two figures side by side.
//   RequestRate URL [BODY] [SECONDS]

#include "http/HttpClient.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: RequestRate URL [BODY] [SECONDS]\n");
        return 2;
    }
    std::string url = argv[1];
    std::string body = argc > 2 ? argv[2] : "";
    double seconds = argc > 3 ? std::atof(argv[3]) : 3.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "RequestRate: SECONDS must be positive\n");
        return 2;
    }

    kh::HttpClient client;
    client.UseUtf8();
    std::string reply;
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    long requests = 0;
    while (Clock::now() < end) {
        int error = client.Send(url, body, reply);
        if (error != 0) {
            std::fprintf(stderr, "RequestRate: request %ld failed with error %d\n", requests + 1, error);
            return 1;
        }
        ++requests;
    }
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%.0f requests per second (%ld requests in %.2f s, last reply %zu bytes)\n", requests / elapsed,
                requests, elapsed, reply.size());
    return 0;
}
