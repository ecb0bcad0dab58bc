// Verification-code extraction by every rule: whatever the rule and the SMS, the code is a piece
// of the SMS that the rule describes.
// Input: "MODE LENGTH [u]" on the first line (MODE one character, '0' to '3' the known modes,
// anything else an unknown one; LENGTH decimal, wrapping at 32 bits; "u" reads the other fields as
// UTF-16 code units instead of UTF-8), the head keyword, the tail keyword, then the SMS.

#include "FuzzSupport.h"
#include "numbers/SMSManager.h"
#include "platform/TextCodec.h"

#include <algorithm>

using namespace kh;
using namespace kh::fuzz;

namespace {

ExtractRule ReadRule(const std::string& line)
{
    ExtractRule rule;
    rule.mode = line.empty() ? 0u : static_cast<uint32_t>(static_cast<unsigned char>(line[0]) - '0');
    uint32_t length = 0;
    for (size_t i = 1; i < line.size() && line[i] != 'u'; ++i)
        if (line[i] >= '0' && line[i] <= '9')
            length = length * 10 + static_cast<uint32_t>(line[i] - '0');
    rule.codeLength = length;
    return rule;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = SplitFields(data, size, 3);
    ExtractRule rule = ReadRule(fields[0]);
    const bool utf16 = fields[0].find('u') != std::string::npos;
    auto text = [utf16](const std::string& bytes) { return utf16 ? Utf16FromBytes(bytes) : Utf8ToWide(bytes); };
    rule.headKeyword = text(fields[1]);
    rule.tailKeyword = text(fields[2]);
    const std::u16string sms = text(fields[3]);

    const bool valid = SMSManager::IsRuleValid(rule);
    const std::u16string code = SMSManager::ExtractCodeByRule(rule, sms);
    if (!valid) {
        KH_FUZZ_CHECK(code.empty());
        return 0;
    }
    switch (rule.mode) {
    case SmartExtract:
        // Four to eight ASCII digits, found in the SMS as they are.
        KH_FUZZ_CHECK(code.empty() || (code.size() >= 4 && code.size() <= 8));
        KH_FUZZ_CHECK(std::all_of(code.begin(), code.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }));
        KH_FUZZ_CHECK(sms.find(code) != std::u16string::npos);
        break;
    case BetweenKeywords: {
        // Read like a reply field from the ANSI text: a piece of the SMS without its spaces (and with
        // what ANSI cannot carry replaced), with the keywords around it.
        std::u16string compact = AnsiToWide(WideToAnsi(sms));
        compact.erase(std::remove(compact.begin(), compact.end(), u' '), compact.end());
        KH_FUZZ_CHECK(compact.find(code) != std::u16string::npos);
        break;
    }
    case AfterKeyword:
    case BeforeKeyword: {
        // At most the code length, right behind (or right in front of) the keyword.
        KH_FUZZ_CHECK(code.size() <= rule.codeLength);
        if (!code.empty()) {
            const std::u16string around = rule.mode == AfterKeyword ? rule.headKeyword + code : code + rule.headKeyword;
            KH_FUZZ_CHECK(sms.find(around) != std::u16string::npos);
        }
        if (rule.mode == BeforeKeyword && !code.empty())
            KH_FUZZ_CHECK(code.size() == rule.codeLength);
        break;
    }
    default:
        KH_FUZZ_CHECK(!"an unknown mode is not a valid rule");
    }
    return 0;
}
