#include "FormBody.h"

namespace kh::sandbox {

namespace {

bool ParseInOrder(const std::string& body, const std::vector<std::string>& order, FormFields& fields)
{
    if (order.empty() || body.compare(0, order[0].size() + 1, order[0] + "=") != 0)
        return false;
    size_t valueStart = order[0].size() + 1;
    for (size_t i = 1; i < order.size(); ++i) {
        const std::string marker = "&" + order[i] + "=";
        size_t at = body.find(marker, valueStart);
        if (at == std::string::npos)
            return false;
        fields.emplace(order[i - 1], body.substr(valueStart, at - valueStart));
        valueStart = at + marker.size();
    }
    fields.emplace(order.back(), body.substr(valueStart));
    return true;
}

FormFields ParsePlain(const std::string& body)
{
    FormFields fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string piece = body.substr(start, end - start);
        size_t eq = piece.find('=');
        if (eq != std::string::npos && eq > 0)
            fields.emplace(piece.substr(0, eq), piece.substr(eq + 1));
        start = end + 1;
    }
    return fields;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

FormFields ParseForm(const std::string& body, const std::vector<std::string>& order)
{
    std::string text = body;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    FormFields fields;
    if (ParseInOrder(text, order, fields))
        return fields;
    return ParsePlain(text);
}

bool PercentDecode(const std::string& text, std::string& decoded)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int high = HexValue(text[i + 1]);
        int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    decoded = std::move(out);
    return true;
}

} // namespace kh::sandbox
