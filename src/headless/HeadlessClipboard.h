#pragma once
// The clipboard in memory. Like the system clipboard it is opened by one thread at a time, and a
// holder outside the client (another program) can keep it open so that Open fails; the content
// changes only through Empty and SetUnicodeText between Open and Close. Tests can make single
// steps fail.

#include "core/ClipboardOwner.h"
#include "core/ports/ClipboardPort.h"

#include <map>
#include <mutex>
#include <optional>

namespace kh {

class HeadlessClipboard final : public ClipboardPort
{
public:
    enum class Op
    {
        Empty,
        Set,
        Close,
    };

    bool Open() override;
    bool Empty() override;
    bool SetUnicodeText(const std::u16string& text) override;
    bool Close() override;

    // Another program takes (true) or leaves (false) the clipboard.
    void HoldByOther(bool held);
    void FailNext(Op op);

    // The Unicode text on the clipboard; nothing when it holds none.
    std::optional<std::u16string> Text();
    bool IsOpen();
    int SetCount();

private:
    std::mutex mutex;
    ClipboardOwner owner;
    bool heldByOther = false;
    std::map<Op, bool> failures;
    std::optional<std::u16string> content;
    int setCount = 0;
};

} // namespace kh
