#include "platform/LocalTime.h"

#include <ctime>

namespace kh {

std::string FormatLocalTime(const char* format)
{
    return FormatLocalTime(format, std::time(nullptr));
}

std::string FormatLocalTime(const char* format, std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[128];
    size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

} // namespace kh
