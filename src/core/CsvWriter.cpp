#include "core/CsvWriter.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <system_error>

namespace kh {

namespace {

constexpr unsigned kCsvFileMode = 0600;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// A sign, digits, and at most one decimal point between digits: nothing a spreadsheet can run.
bool IsSignedNumber(std::u16string_view field)
{
    if (field.size() < 2 || (field[0] != u'+' && field[0] != u'-'))
        return false;
    bool point = false;
    bool digitBefore = false;
    for (size_t i = 1; i < field.size(); ++i) {
        char16_t c = field[i];
        if (IsDigit(c)) {
            digitBefore = true;
        } else if (c == u'.' && !point && digitBefore && i + 1 < field.size()) {
            point = true;
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

} // namespace

std::u16string GuardFormula(std::u16string_view field)
{
    if (field.empty())
        return {};
    switch (field[0]) {
    case u'=':
    case u'@':
    case u'\t':
    case u'\r':
        break;
    case u'+':
    case u'-':
        if (IsSignedNumber(field))
            return std::u16string(field);
        break;
    default:
        return std::u16string(field);
    }
    return u"'" + std::u16string(field);
}

std::string CsvField(std::u16string_view field)
{
    std::string text = WideToUtf8(GuardFormula(field));
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvDocument(const std::vector<CsvRecord>& records)
{
    std::string document(kByteOrderMark);
    for (const CsvRecord& record : records) {
        for (size_t i = 0; i < record.size(); ++i) {
            if (i > 0)
                document += ',';
            document += CsvField(record[i]);
        }
        document += "\r\n";
    }
    return document;
}

bool WriteCsvFile(const std::string& path, const std::vector<CsvRecord>& records, std::string& problem)
{
    if (path.empty()) {
        problem = "no file name";
        return false;
    }
    int error = ReplaceFileAtomically(path, CsvDocument(records), kCsvFileMode);
    if (error != 0) {
        problem = std::error_code(error, std::generic_category()).message();
        return false;
    }
    return true;
}

} // namespace kh
