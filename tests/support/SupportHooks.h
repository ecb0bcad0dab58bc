#pragma once
// What the test-support library asks of the program it is linked into: whether the current test
// has failed, and how to report a failure of the support code itself. The GoogleTest programs set
// both (GTestHooks.cpp); the benchmarks, which link no GoogleTest, leave them unset, and a support
// failure is then printed to stderr.

#include <string>

namespace kh::test {

struct SupportHooks
{
    bool (*currentTestFailed)() = nullptr;
    void (*reportFailure)(const std::string& message) = nullptr;
};

SupportHooks& Hooks();

bool CurrentTestFailed();
void ReportSupportFailure(const std::string& message);

} // namespace kh::test
