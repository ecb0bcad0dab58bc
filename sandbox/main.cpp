// borvankh-sandbox: a local stand-in for the SMS verification-code service. Prints the port it
// listens on as the first line of stdout, then serves until SIGTERM or SIGINT.

#include "SandboxServer.h"
#include "Scenario.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <random>
#include <signal.h>
#include <string>
#include <thread>

namespace {

const char* kUsage = "Usage: borvankh-sandbox [options]\n"
                     "  --port N         port to listen on; 0 picks a free one (default 0)\n"
                     "  --bind ADDR      address to listen on (default 127.0.0.1)\n"
                     "  --scenario FILE  JSON scenario (accounts, projects, pool, version); default: built-in demo\n"
                     "  --seed N         seed of every random draw, for repeatable runs (default: random)\n"
                     "  --threads N      request threads (default 32)\n"
                     "  --help           this text\n"
                     "The port is printed as the first line of stdout. Control endpoints live under /_sandbox/\n"
                     "(see README.md). Built-in accounts: demo/demo, nofav/nofav, poor/poor.\n";

bool ParseNumber(const char* text, unsigned long long max, unsigned long long& value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && text[0] != '-' && value <= max;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "borvankh-sandbox: %s\n%s", message.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string bind = "127.0.0.1";
    std::string scenarioPath;
    unsigned long long port = 0;
    unsigned long long seed = std::random_device{}();
    unsigned long long threads = 32;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--port") {
            if (!ParseNumber(value, 65535, port))
                return Fail("--port needs a number from 0 to 65535");
        } else if (arg == "--bind") {
            if (!value || !*value)
                return Fail("--bind needs an address");
            bind = value;
        } else if (arg == "--scenario") {
            if (!value || !*value)
                return Fail("--scenario needs a file");
            scenarioPath = value;
        } else if (arg == "--seed") {
            if (!ParseNumber(value, ~0ULL, seed))
                return Fail("--seed needs a non-negative number");
        } else if (arg == "--threads") {
            if (!ParseNumber(value, 1024, threads) || threads == 0)
                return Fail("--threads needs a number from 1 to 1024");
        } else {
            return Fail("unknown option " + arg);
        }
        ++i;
    }

    kh::sandbox::Scenario scenario = kh::sandbox::DefaultScenario();
    std::string error;
    if (!scenarioPath.empty() && !kh::sandbox::LoadScenarioFile(scenarioPath, scenario, error)) {
        std::fprintf(stderr, "borvankh-sandbox: %s\n", error.c_str());
        return 2;
    }

    // SIGTERM and SIGINT are taken by one waiting thread only, which stops the server; every other
    // thread (httplib's included) inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    kh::sandbox::SandboxServer server(scenario, seed, static_cast<int>(threads));
    int bound = server.Bind(bind, static_cast<int>(port), error);
    if (bound < 0) {
        std::fprintf(stderr, "borvankh-sandbox: %s\n", error.c_str());
        return 1;
    }
    std::printf("%d\n", bound);
    std::fflush(stdout);
    std::fprintf(stderr, "borvankh-sandbox: listening on http://%s:%d (scenario: %s, seed %llu, %llu threads)\n",
                 bind.c_str(), bound, scenarioPath.empty() ? "built-in" : scenarioPath.c_str(), seed, threads);

    std::thread signalWaiter([&server, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        server.Stop();
    });
    bool ran = server.Run();
    if (!ran) {
        // Run ended without a signal: wake the waiter so it can be joined.
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
    }
    signalWaiter.join();
    std::fprintf(stderr, "borvankh-sandbox: stopped\n");
    return ran ? 0 : 1;
}
