#include "base/AutoLock.h"

#include <exception>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteLockNoObject = 1,
    kSiteLockRefused = 2,
    kSiteLockThrew = 3,
    kSiteUnlockNoObject = 4,
    kSiteUnlock = 5,
};

} // namespace

AutoLock::AutoLock(TipCallback callback, void* context, CriticalSection* object)
    : TipSource("AutoLock.", callback, context), object(object)
{
    if (object == nullptr) {
        ReportTip({}, kSiteLockNoObject);
        return;
    }
    try {
        locked = object->Lock();
        if (!locked)
            ReportTip({}, kSiteLockRefused);
    } catch (const std::exception&) {
        ReportTip({}, kSiteLockThrew);
    }
}

AutoLock::~AutoLock()
{
    if (object == nullptr) {
        ReportTip({}, kSiteUnlockNoObject);
        return;
    }
    // Only a lock that was taken is given back: unlocking a mutex this thread does not hold
    // would be undefined, so a failed lock shows as the unlock tip here instead.
    if (!locked || !object->Unlock())
        ReportTip({}, kSiteUnlock);
}

} // namespace kh
