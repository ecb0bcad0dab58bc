#include "Output.h"

#include "platform/LocalTime.h"
#include "platform/TextCodec.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace kh::cli {

namespace {

std::mutex outputMutex;

} // namespace

std::string TimeStamp()
{
    return TipTimeStamp();
}

void PrintOut(const std::string& line)
{
    std::lock_guard<std::mutex> guard(outputMutex);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

void PrintErr(const std::string& line)
{
    std::lock_guard<std::mutex> guard(outputMutex);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string Utf8(const std::u16string& text)
{
    return WideToUtf8(text);
}

bool WantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

int Usage(const std::string& problem, const char* help)
{
    PrintErr("borvankh-cli: " + problem);
    PrintErr(help);
    return kExitUsage;
}

int Fail(const std::string& reason)
{
    PrintErr("borvankh-cli: " + reason);
    return kExitFailed;
}

} // namespace kh::cli
