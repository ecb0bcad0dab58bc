#pragma once
// Opens web addresses in the user's default browser through the desktop's URL handler.

#include "core/ports/ShellPort.h"

namespace kh::ui {

class GuiShell final : public ShellPort
{
public:
    // 42 when the desktop accepted the address, 2 (file not found) when it did not, 0 after closing.
    long OpenUrl(const std::u16string& url) override;
};

} // namespace kh::ui
