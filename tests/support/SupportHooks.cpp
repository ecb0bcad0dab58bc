#include "support/SupportHooks.h"

#include <cstdio>

namespace kh::test {

SupportHooks& Hooks()
{
    static SupportHooks hooks;
    return hooks;
}

bool CurrentTestFailed()
{
    return Hooks().currentTestFailed != nullptr && Hooks().currentTestFailed();
}

void ReportSupportFailure(const std::string& message)
{
    if (Hooks().reportFailure != nullptr)
        Hooks().reportFailure(message);
    else
        std::fprintf(stderr, "test support: %s\n", message.c_str());
}

} // namespace kh::test
