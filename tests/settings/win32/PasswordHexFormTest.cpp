// The remembered password's stored form on Windows: the hexadecimal digits of its bytes in the
// thread's ANSI code page, as earlier versions of the client stored it; on a Chinese system
// (code page 936) those are GBK bytes. scripts/test-windows runs the tests in a Chinese locale.

#include "settings/PasswordHex.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace kh {
namespace {

TEST(PasswordHexFormTest, NonAsciiPasswordsAreStoredAsTheirCodePage936Bytes)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 936: run with LANG=zh_CN.UTF-8";
    EXPECT_EQ(HexEncode(u"密码abc"), u"C3DCC2EB616263");
    EXPECT_EQ(HexDecode(u"D6D0"), u"中");
    EXPECT_EQ(HexDecode(u"C3 DC C2 EB"), u"密码");
    // A character the code page cannot hold is lost in the stored form, as it always was.
    EXPECT_EQ(HexEncode(u"\u0E01"), u"3F");
}

} // namespace
} // namespace kh
