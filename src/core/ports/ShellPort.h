#pragma once
// Opening a web address in the user's default browser ("open" verb, shown normally).

#include <string>

namespace kh {

class ShellPort
{
public:
    virtual ~ShellPort() = default;

    // A result above 32 means success, as the shell's own result codes do.
    virtual long OpenUrl(const std::u16string& url) = 0;
};

} // namespace kh
