#include "base/AutoLock.h"

#include <exception>

namespace kh {

AutoLock::AutoLock(TipCallback callback, void* context, CriticalSection* object)
    : TipSource("AutoLock.", callback, context), object(object)
{
    if (object == nullptr) {
        ReportTip({}, 1);
        return;
    }
    try {
        locked = object->Lock();
        if (!locked)
            ReportTip({}, 2);
    } catch (const std::exception&) {
        ReportTip({}, 3);
    }
}

AutoLock::~AutoLock()
{
    if (object == nullptr) {
        ReportTip({}, 4);
        return;
    }
    // Only a lock that was taken is given back: unlocking a mutex this thread does not hold
    // would be undefined, so a failed lock shows as tip 5 here instead.
    if (!locked || !object->Unlock())
        ReportTip({}, 5);
}

} // namespace kh
