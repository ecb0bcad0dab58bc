#pragma once
// Opens a web address in the user's default browser through the shell's "open" verb (no
// parameters, no directory, shown normally); the shell port. The call runs on the GUI thread,
// whose COM apartment the shell's handlers expect.

#include "core/ports/ShellPort.h"

namespace kh::win32 {

class Shell final : public ShellPort
{
public:
    // ShellExecuteW's result: above 32 on success; 0 once closing has begun.
    long OpenUrl(const std::u16string& url) override;
};

} // namespace kh::win32
