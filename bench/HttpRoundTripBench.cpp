// Round trips of small form POSTs to a local HTTP server: HttpClient with a fresh client per request,
// as the managers use it, against libcurl's easy interface with a fresh handle per request. Prints
// the requests per second of each and the ratio HttpClient / libcurl (the goal is at least 1.0).
//
//   HttpRoundTripBench [--benchmark_min_time=...] [other Google Benchmark flags]

#include "http/HttpClient.h"
#include "support/ScriptedServer.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <map>
#include <string>

namespace {

constexpr const char* kBody = "token=0123456789abcdef0123456789abcdef&pid=1001&mobile=13800138000";
constexpr const char* kReply = R"({"code":0,"msg":"ok","sms_content":"your verification code is 123456"})";

// The local server: answers every request with a small JSON reply, like the service does, and
// closes the connection, as the service does for the client's one-request connections. A raw
// server keeps the server's share of each round trip small and the same for both clients.
class LocalServer
{
public:
    LocalServer() : server(kh::test::ScriptedServer::JsonReply(kReply)) { server.KeepRequests(false); }
    std::string Url() const { return server.Url("/get_sms"); }

private:
    kh::test::ScriptedServer server;
};

LocalServer* server = nullptr;

size_t AppendToString(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

void HttpClientRoundTrip(benchmark::State& state)
{
    const std::string url = server->Url();
    for (auto _ : state) {
        kh::HttpClient client;
        client.Reset();
        client.UseUtf8();
        std::string reply;
        if (client.Send(url, kBody, reply) != 0 || reply != kReply) {
            state.SkipWithError("HttpClient request failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
}

void CurlRoundTrip(benchmark::State& state)
{
    const std::string url = server->Url();
    for (auto _ : state) {
        CURL* curl = curl_easy_init();
        std::string reply;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, kBody);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1)");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToString);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        CURLcode result = curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        if (result != CURLE_OK || reply != kReply) {
            state.SkipWithError("libcurl request failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(HttpClientRoundTrip)->UseRealTime();
BENCHMARK(CurlRoundTrip)->UseRealTime();

// Prints as the console reporter does and keeps each benchmark's requests per second.
class RateReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && it != run.counters.end())
                rates[run.run_name.function_name] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    int status = 0;
    {
        LocalServer local;
        server = &local;
        RateReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        server = nullptr;

        double ours = reporter.rates["HttpClientRoundTrip"];
        double curl = reporter.rates["CurlRoundTrip"];
        std::printf("\nHttpClient: %.0f requests/s\nlibcurl:    %.0f requests/s\n", ours, curl);
        if (ours > 0 && curl > 0) {
            double ratio = ours / curl;
            std::printf("ratio HttpClient/libcurl: %.2f (goal >= 1.0: %s)\n", ratio, ratio >= 1.0 ? "met" : "missed");
        } else {
            std::printf("ratio HttpClient/libcurl: not available (a benchmark did not run)\n");
            status = 1;
        }
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return status;
}
