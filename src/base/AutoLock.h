#pragma once
// Scoped lock over a critical section that reports failures as tips of the owner's tip target.
// Used by the number list, the project manager, the phone-number manager and the SMS manager
// around their shared data.

#include "base/Tip.h"
#include "platform/Sync.h"

namespace kh {

class AutoLock final : public TipSource
{
public:
    AutoLock(TipCallback callback, void* context, CriticalSection* object);
    ~AutoLock();
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CriticalSection* object;
    bool locked = false;
};

} // namespace kh
