// The password's stored hex form: any stored text decodes without fault, and every password comes
// back from its hex form unchanged, in both stored layouts and in either letter case.
// Input: the bytes are read twice, as a stored text (UTF-8) and as a password (UTF-16 code units).

#include "FuzzSupport.h"
#include "platform/TextCodec.h"
#include "settings/PasswordHex.h"

using namespace kh;
using namespace kh::fuzz;

namespace {

bool IsUpperHexPairs(const std::u16string& text)
{
    if (text.size() % 2 != 0)
        return false;
    for (char16_t c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}

void CheckRoundTrip(const std::u16string& password)
{
    std::u16string hex = HexEncode(password);
    KH_FUZZ_CHECK(IsUpperHexPairs(hex));
    KH_FUZZ_CHECK(HexDecode(hex) == password);

    // "61 62 63", the layout with spaces, and lower-case digits read the same.
    std::u16string spaced;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i > 0)
            spaced += u' ';
        spaced += hex.substr(i, 2);
    }
    KH_FUZZ_CHECK(HexDecode(spaced) == password);
    std::u16string lower = hex;
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'F')
            c = static_cast<char16_t>(c - u'A' + u'a');
    KH_FUZZ_CHECK(HexDecode(lower) == password);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // A damaged or hand-edited stored value: whatever it decodes to is a password that survives
    // being stored again.
    std::u16string decoded = HexDecode(Utf8ToWide(bytes));
    CheckRoundTrip(decoded);

    // Any password the user can type: well-formed UTF-16 (the ANSI form cannot carry an unpaired
    // surrogate, so it is first brought to what the ANSI form keeps).
    std::u16string password = Utf16FromBytes(bytes);
    if (!IsWellFormedUtf16(password))
        password = AnsiToWide(WideToAnsi(password));
    CheckRoundTrip(password);
    return 0;
}
