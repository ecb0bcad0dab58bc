#pragma once
// A strict reader of the CSV the client writes, written from RFC 4180 alone so that it checks the
// writer instead of sharing its mistakes: an optional UTF-8 byte-order mark, records ended by
// CR LF, fields separated by commas, a quoted field ending at a lone double quote, a doubled
// double quote inside it standing for one. Anything else (a quote inside an unquoted field, text
// after a closing quote, a bare CR or LF outside quotes, a missing final CR LF) makes it fail.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kh::test {

struct CsvFile
{
    bool byteOrderMark = false;
    std::vector<std::vector<std::string>> records; // UTF-8 fields
};

inline std::optional<CsvFile> ReadCsv(std::string_view text)
{
    CsvFile file;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) {
        file.byteOrderMark = true;
        text.remove_prefix(kBom.size());
    }
    size_t i = 0;
    std::vector<std::string> record;
    while (i < text.size()) {
        std::string field;
        if (text[i] == '"') {
            ++i;
            for (;;) {
                if (i >= text.size())
                    return std::nullopt; // unterminated quote
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r') {
                if (text[i] == '"' || text[i] == '\n')
                    return std::nullopt;
                field += text[i++];
            }
        }
        record.push_back(std::move(field));
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.substr(i, 2) != "\r\n")
            return std::nullopt;
        i += 2;
        file.records.push_back(std::move(record));
        record.clear();
    }
    if (!record.empty())
        return std::nullopt;
    return file;
}

} // namespace kh::test
