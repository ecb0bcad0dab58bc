#include "core/ClipboardOwner.h"

namespace kh {

bool ClipboardOwner::Open()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (openedBy && *openedBy != std::this_thread::get_id())
        return false;
    openedBy = std::this_thread::get_id();
    return true;
}

bool ClipboardOwner::HeldByCaller() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return openedBy && *openedBy == std::this_thread::get_id();
}

bool ClipboardOwner::Close()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!openedBy || *openedBy != std::this_thread::get_id())
        return false;
    openedBy.reset();
    return true;
}

bool ClipboardOwner::IsOpen() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return openedBy.has_value();
}

} // namespace kh
