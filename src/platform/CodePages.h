#pragma once
// The system side of TextCodec, one implementation per system (posix/CodePages.cpp: iconv;
// win32/CodePages.cpp: MultiByteToWideChar and WideCharToMultiByte). TextCodec.cpp converts UTF-8
// itself, the same on every system, and hands GBK and the thread's ANSI code page here. Only
// TextCodec.cpp includes this header.

#include <string>
#include <string_view>

namespace kh {

// True where kCpThreadAcp is UTF-8 (Linux, whose locales are UTF-8): TextCodec.cpp then converts
// it itself.
bool ThreadAcpIsUtf8();

// codePage is kCpGbk, or kCpThreadAcp where ThreadAcpIsUtf8() is false. The same contract as
// MultiByteToWide and WideToMultiByte.
bool SystemMultiByteToWide(unsigned codePage, std::string_view text, std::u16string& out);
bool SystemWideToMultiByte(unsigned codePage, std::u16string_view text, std::string& out);

} // namespace kh
