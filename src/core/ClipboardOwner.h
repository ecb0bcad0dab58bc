#pragma once
// Which thread has a clipboard open, for the clipboards the system does not keep this for (the Qt
// clipboard, the terminal client's, the in-memory one): as with the system clipboard, one thread at
// a time has it open, and only that thread uses and closes it.

#include <mutex>
#include <optional>
#include <thread>

namespace kh {

class ClipboardOwner final
{
public:
    // Opens it for the calling thread; false while another thread has it open.
    bool Open();
    // Whether the calling thread has it open.
    bool HeldByCaller() const;
    // Lets it go; false when the calling thread did not have it open.
    bool Close();
    bool IsOpen() const;

private:
    mutable std::mutex mutex;
    std::optional<std::thread::id> openedBy;
};

} // namespace kh
