#include "platform/LocalTime.h"

#include <ctime>

namespace kh {

std::string FormatLocalTime(const char* format)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char buffer[128];
    size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

} // namespace kh
