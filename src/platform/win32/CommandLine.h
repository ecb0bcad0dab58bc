#pragma once
// Windows command lines: CreateProcessW takes one string, which the child's C runtime (and
// CommandLineToArgvW) splits back into arguments.

#include <string>

namespace kh {

// One argument quoted as CommandLineToArgvW and the C runtime read it back: backslashes are
// literal except before a quote, where they and the quote are escaped.
std::wstring QuoteArgument(const std::wstring& argument);

} // namespace kh
