#pragma once
// The stored form of the remembered password: its ANSI bytes as uppercase hexadecimal digits.
// ConfigCenter applies HexEncode in Save and HexDecode in Load.

#include <string>

namespace kh {

// "abc" -> "616263"; an empty password -> "".
std::u16string HexEncode(const std::u16string& password);

// Reads digit pairs ("616263") or space-separated numbers ("61 62 63"). A text that does not
// decode (odd length, too short, not hexadecimal) gives the empty password.
std::u16string HexDecode(const std::u16string& stored);

} // namespace kh
