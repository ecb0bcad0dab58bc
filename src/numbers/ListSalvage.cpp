#include "numbers/ListSalvage.h"

#include <vector>

namespace kh {

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

bool IsNumberByte(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One open object or array of the scan.
struct Frame
{
    char kind; // '{' or '['
    // Objects: the next string is a member name; the name of the member whose value comes next.
    bool expectName = true;
    std::string_view name;
};

} // namespace

ListSalvage SalvageList(std::string_view text)
{
    ListSalvage result;
    std::vector<Frame> stack;
    // Where the list's content starts, and where its last complete element ends (0: none yet).
    size_t listOpened = 0;
    size_t lastElementEnd = 0;
    size_t listClosed = 0;
    // Only the first member named "list" counts, as cJSON's lookup finds the first.
    bool listNamed = false;
    bool listValueComes = false;
    // The mobile of the element being read, while it is not complete.
    bool mobileComes = false;
    std::string_view mobile;

    auto inList = [&] { return listOpened != 0 && listClosed == 0; };
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (IsSpace(c) || c == ':') {
            ++i;
            continue;
        }
        if (stack.empty() && c != '{')
            break; // not an object, or text after the root
        const size_t depth = stack.size();
        // Whether this byte starts the value of the mobile member of an element of the list.
        bool mobileValue = mobileComes && inList() && depth == 3;
        if (c == '"') {
            size_t end = i + 1;
            while (end < text.size() && text[end] != '"')
                end += text[end] == '\\' ? 2 : 1;
            if (end >= text.size())
                break; // cut inside a string
            std::string_view content = text.substr(i + 1, end - i - 1);
            Frame& top = stack.back();
            if (top.kind == '{' && top.expectName) {
                top.name = content;
                top.expectName = false;
                if (depth == 1) {
                    bool isList = EqualsIgnoringAsciiCase(content, "list");
                    listValueComes = isList && !listNamed;
                    listNamed = listNamed || isList;
                }
                if (inList() && depth == 3 && EqualsIgnoringAsciiCase(content, "mobile"))
                    mobileComes = true;
            } else {
                if (mobileValue) {
                    mobile = text.substr(i, end - i + 1);
                    mobileComes = false;
                }
                if (depth == 1)
                    listValueComes = false;
            }
            i = end + 1;
            continue;
        }
        if (c == '{' || c == '[') {
            if (depth == 1) {
                if (c == '[' && listValueComes)
                    listOpened = i + 1;
                listValueComes = false;
            }
            if (inList() && depth == 2 && c == '{') {
                mobileComes = false;
                mobile = {};
            }
            if (mobileValue)
                mobileComes = false;
            stack.push_back(Frame{c, true, {}});
            ++i;
            continue;
        }
        if (c == '}' || c == ']') {
            if (stack.back().kind != (c == '}' ? '{' : '['))
                break; // damaged rather than cut: nothing after this is trusted
            stack.pop_back();
            if (listOpened != 0 && listClosed == 0) {
                if (depth == 3) {
                    lastElementEnd = i + 1;
                    mobile = {};
                } else if (depth == 2) {
                    listClosed = i + 1;
                }
            }
            ++i;
            continue;
        }
        if (c == ',') {
            if (stack.back().kind == '{')
                stack.back().expectName = true;
            ++i;
            continue;
        }
        // A number or a literal: it is whole only when something follows it.
        size_t end = i;
        while (end < text.size() && (IsNumberByte(text[end]) || (text[end] >= 'a' && text[end] <= 'z')))
            ++end;
        if (end == i || end >= text.size())
            break;
        if (mobileValue) {
            if (IsNumberByte(c))
                mobile = text.substr(i, end - i);
            mobileComes = false;
        }
        if (depth == 1)
            listValueComes = false;
        i = end;
    }

    if (listOpened == 0)
        return result;
    result.found = true;
    if (listClosed != 0) {
        result.wholePart = std::string(text.substr(0, listClosed)) + "}";
        return result;
    }
    result.wholePart = std::string(text.substr(0, lastElementEnd != 0 ? lastElementEnd : listOpened)) + "]}";
    result.cutMobile = std::string(mobile);
    return result;
}

} // namespace kh
