// Reply fields: GetReplyField with any key, end text and reply, ReplaceAll and PercentEncodeUtf8.
// Input: the key on the first line, the end text on the second, the reply in the rest.

#include "FuzzSupport.h"
#include "base/ReplyFields.h"
#include "platform/TextCodec.h"

#include <algorithm>

using namespace kh;
using namespace kh::fuzz;

namespace {

// ReplaceAll written the slow, obvious way: cut the text at each occurrence, left to right.
std::string ReplaceAllReference(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(from, pos);
        if (hit == std::string::npos)
            break;
        out += text.substr(pos, hit - pos) + to;
        pos = hit + from.size();
    }
    return out + text.substr(pos);
}

int HexValue(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = SplitFields(data, size, 2);
    const std::string& key = fields[0];
    const std::string& end = fields[1];
    const std::string& reply = fields[2];

    // The value comes from the reply with its spaces removed and follows the key there, the end
    // text right behind it (both matched without regard to ASCII letter case).
    std::string value = GetReplyField(reply, key, end);
    std::string compact = reply;
    compact.erase(std::remove(compact.begin(), compact.end(), ' '), compact.end());
    KH_FUZZ_CHECK(value.find(' ') == std::string::npos);
    KH_FUZZ_CHECK(compact.find(value) != std::string::npos);
    if (!value.empty())
        KH_FUZZ_CHECK(AsciiLower(compact).find(AsciiLower(key + value + end)) != std::string::npos);

    if (!key.empty()) {
        std::string replaced = reply;
        ReplaceAll(replaced, key, end);
        KH_FUZZ_CHECK(replaced == ReplaceAllReference(reply, key, end));
    }

    // Every byte of the UTF-8 form becomes one "%XX"; decoding them gives that form back.
    std::string encoded = reply;
    KH_FUZZ_CHECK(PercentEncodeUtf8(encoded));
    KH_FUZZ_CHECK(encoded.size() % 3 == 0);
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); i += 3) {
        KH_FUZZ_CHECK(encoded[i] == '%' && HexValue(encoded[i + 1]) >= 0 && HexValue(encoded[i + 2]) >= 0);
        decoded += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
    }
    KH_FUZZ_CHECK(decoded == WideToUtf8(AnsiToWide(reply)));
    return 0;
}
