#pragma once
// The desktop's clipboard for the terminal client (get --copy), without a window toolkit: each text
// is handed to the system's clipboard tool (clip.exe on Windows; on Linux xclip, which holds it on the X display's
// clipboard for as long as no other program takes the clipboard, after this client has ended too; on a Wayland desktop
// the X display of Xwayland shares its clipboard with the desktop's). Like the system clipboard, one thread at a time
// has it open.

#include "core/ClipboardOwner.h"
#include "core/ports/ClipboardPort.h"

#include <mutex>
#include <string>
#include <vector>

namespace kh::cli {

class SystemClipboard final : public ClipboardPort
{
public:
    // Finds the display and the clipboard tool. False with the reason for the user when either is
    // missing; the clipboard then refuses to open.
    bool Prepare(std::string& problem);

    bool Open() override;
    // The tool replaces the content in one step, so there is nothing to empty first.
    bool Empty() override;
    bool SetUnicodeText(const std::u16string& text) override;
    bool Close() override;

private:
    ClipboardOwner owner;
    std::mutex mutex;
    std::vector<std::string> tool;
};

} // namespace kh::cli
