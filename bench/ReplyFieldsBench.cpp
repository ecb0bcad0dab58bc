// Reading a field from large replies: the time of one GetReplyField call on a reply of spaces
// (which the reader removes before the key search) with the member at its end, at 1 and 16 MiB;
// and the time of one request whose reply carries 60,000 and 300,000 Set-Cookie headers (the
// 16 MiB cap allows about 900,000), which the cookie jar takes in time linear in their number.
// Replies are a few kilobytes in practice; the figures show that a hostile or broken server cannot
// stall a worker with a large one.
//
//   ReplyFieldsBench [Google Benchmark flags]

#include "base/ReplyFields.h"
#include "http/HttpClient.h"
#include "support/ScriptedServer.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void ReadCodeBehindSpaces(benchmark::State& state)
{
    const std::string reply = std::string(static_cast<size_t>(state.range(0)), ' ') + "\"code\":0,";
    for (auto _ : state) {
        std::string code = kh::GetReplyField(reply, "\"code\":", ",");
        if (code != "0") {
            state.SkipWithError("wrong value");
            break;
        }
        benchmark::DoNotOptimize(code);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}

BENCHMARK(ReadCodeBehindSpaces)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReplyWithManySetCookieHeaders(benchmark::State& state)
{
    std::string reply = "HTTP/1.1 200 OK\r\n";
    for (int64_t i = 0; i < state.range(0); ++i)
        reply += "Set-Cookie: c" + std::to_string(i) + "=v; path=/\r\n";
    reply += "Content-Length: 2\r\n\r\nok";
    kh::test::ScriptedServer server(reply);
    server.KeepRequests(false);
    for (auto _ : state) {
        kh::HttpClient client;
        client.Reset();
        client.SetTimeouts(10000, 10000, 600000);
        std::string body;
        if (client.Send(server.Url("/"), "", body) != 0 ||
            client.Cookies().size() != static_cast<size_t>(state.range(0))) {
            state.SkipWithError("the reply was not read");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(ReplyWithManySetCookieHeaders)->Arg(60000)->Arg(300000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
