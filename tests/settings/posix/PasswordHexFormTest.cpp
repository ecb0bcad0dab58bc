// The remembered password's stored form on Linux: the hexadecimal digits of its UTF-8 bytes, the
// ANSI code page of a Linux system.

#include "settings/PasswordHex.h"

#include <gtest/gtest.h>

namespace kh {
namespace {

TEST(PasswordHexFormTest, NonAsciiPasswordsAreStoredAsTheirUtf8Bytes)
{
    EXPECT_EQ(HexEncode(u"\u00ff"), u"C3BF");
    EXPECT_EQ(HexEncode(u"密码abc"), u"E5AF86E7A081616263");
    EXPECT_EQ(HexDecode(u"E4B8AD"), u"中");
    EXPECT_EQ(HexDecode(u"E5 AF 86 E7 A0 81"), u"密码");
}

} // namespace
} // namespace kh
