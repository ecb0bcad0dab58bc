// Text conversion between UTF-8 (the ANSI code page here), UTF-16 and GBK: lossless round trips
// where the input is valid, stable results where it is not.
// Input: the bytes are read as UTF-8, as UTF-16 code units and as GBK.

#include "FuzzSupport.h"
#include "platform/TextCodec.h"

using namespace kh;
using namespace kh::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // UTF-8: malformed sequences become U+FFFD, never an unpaired surrogate; without any U+FFFD the
    // bytes were valid and come back exactly; a second trip changes nothing.
    std::u16string wide;
    KH_FUZZ_CHECK(MultiByteToWide(kCpUtf8, bytes, wide));
    KH_FUZZ_CHECK(IsWellFormedUtf16(wide));
    std::string utf8;
    KH_FUZZ_CHECK(WideToMultiByte(kCpUtf8, wide, utf8));
    if (wide.find(u'\xFFFD') == std::u16string::npos)
        KH_FUZZ_CHECK(utf8 == bytes);
    KH_FUZZ_CHECK(Utf8ToWide(utf8) == wide);
    KH_FUZZ_CHECK(Utf8ToAnsi(bytes) == utf8);
    KH_FUZZ_CHECK(AnsiToWide(bytes) == wide);

    // UTF-16: well-formed text survives UTF-8 and back; otherwise only the unpaired surrogates change.
    std::u16string units = Utf16FromBytes(bytes);
    std::u16string back = Utf8ToWide(WideToUtf8(units));
    KH_FUZZ_CHECK(back.size() == units.size());
    if (IsWellFormedUtf16(units))
        KH_FUZZ_CHECK(back == units);
    for (size_t i = 0; i < units.size(); ++i)
        KH_FUZZ_CHECK(back[i] == units[i] || back[i] == u'\xFFFD');

    // GBK: whatever the bytes decode to is either held by GBK (and comes back the same through GBK)
    // or was a replacement; text GBK cannot hold becomes "?" one character at a time.
    std::u16string fromGbk;
    KH_FUZZ_CHECK(MultiByteToWide(kCpGbk, bytes, fromGbk));
    std::string gbk;
    KH_FUZZ_CHECK(WideToMultiByte(kCpGbk, fromGbk, gbk));
    std::u16string again;
    KH_FUZZ_CHECK(MultiByteToWide(kCpGbk, gbk, again));
    if (fromGbk.find(u'\xFFFD') == std::u16string::npos)
        KH_FUZZ_CHECK(again == fromGbk);
    std::string unitsGbk;
    KH_FUZZ_CHECK(WideToMultiByte(kCpGbk, units, unitsGbk));
    KH_FUZZ_CHECK(unitsGbk.size() <= 4 * units.size());

    std::u16string unused;
    KH_FUZZ_CHECK(!MultiByteToWide(1252, bytes, unused));
    return 0;
}
