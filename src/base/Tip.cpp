#include "base/Tip.h"

namespace kh {

void ReportTip(TipCallback callback, void* context, const char* marker, const std::string& message, int siteCode,
               const std::string& detail)
{
    if (callback == nullptr || context == nullptr)
        return;
    std::string error;
    if (siteCode != 0) {
        error = marker;
        error += std::to_string(siteCode);
        error += '.';
        error += detail;
    }
    callback(message, std::move(error), context);
}

} // namespace kh
