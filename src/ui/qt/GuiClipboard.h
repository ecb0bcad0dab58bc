#pragma once
// The system clipboard for the clipboard helper. The helper opens it on its own thread, empties it,
// hands over the text and closes it; the clipboard itself is touched on the GUI thread. While one
// thread has it open, another thread's Open fails, as with the system clipboard.

#include "core/ClipboardOwner.h"
#include "core/ports/ClipboardPort.h"

namespace kh::ui {

class GuiClipboard final : public ClipboardPort
{
public:
    bool Open() override;
    bool Empty() override;
    // True when the clipboard holds the text afterwards.
    bool SetUnicodeText(const std::u16string& text) override;
    bool Close() override;

private:
    ClipboardOwner owner;
};

} // namespace kh::ui
