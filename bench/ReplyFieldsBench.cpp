// Reading a field from large replies: the time of one GetReplyField call on a reply of spaces
// (which the reader removes before the key search) with the member at its end, at 1 and 16 MiB.
// Replies are a few kilobytes in practice; the figure shows that a hostile or broken server cannot
// stall a worker with a large one.
//
//   ReplyFieldsBench [Google Benchmark flags]

#include "base/ReplyFields.h"

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

} // namespace

BENCHMARK_MAIN();
