#pragma once
// The local time as text: file names of the tip log and of damaged settings files, and the stamp
// in front of every tip line.

#include <ctime>
#include <string>

namespace kh {

// The current local time formatted by strftime's format.
std::string FormatLocalTime(const char* format);
// The local time of when (seconds since the epoch) formatted by strftime's format.
std::string FormatLocalTime(const char* format, std::time_t when);

// The stamp in front of every line of the tips box: "[%m-%d] [%H:%M:%S] ".
inline std::string TipTimeStamp()
{
    return FormatLocalTime("[%m-%d] [%H:%M:%S] ");
}

} // namespace kh
