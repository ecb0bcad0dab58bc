#pragma once
// Comma-separated text for spreadsheet programs: the number list's export. The file is UTF-8 with a
// byte-order mark (so spreadsheets on every system read the Chinese text as UTF-8), one record a
// line ended by CR LF, and fields quoted as RFC 4180 says: a field holding a comma, a double quote,
// a CR or an LF is enclosed in double quotes, with each double quote inside doubled, so every text
// comes back unchanged through a conforming reader.
//
// Formula guard: a spreadsheet runs a field that starts with "=", "+", "-" or "@" as a formula (and
// some drop a leading tab or CR before they look), which an SMS text must never get to do. Such a
// field is written with a leading apostrophe, which shows as text in every spreadsheet. A plain
// number with a sign ("+8613800138000", "-5", "+1.5") is left as it is: it can only ever be read as
// a number, and a phone number in international form must stay a usable phone number.

#include <string>
#include <string_view>
#include <vector>

namespace kh {

using CsvRecord = std::vector<std::u16string>;

// The field as it is to be stored: prefixed with "'" when a spreadsheet would take it as a formula.
std::u16string GuardFormula(std::u16string_view field);

// One field as written: guarded, in UTF-8, quoted when needed.
std::string CsvField(std::u16string_view field);

// The whole file: the byte-order mark, then each record's fields joined by commas, each record
// ended by CR LF.
std::string CsvDocument(const std::vector<CsvRecord>& records);

// Writes CsvDocument(records) to path, replacing the file in one step (a temporary file beside it,
// then a rename): a reader never sees half a file and a failed write leaves the old file as it was.
// The file is readable by its owner only (mode 0600): it holds the account's codes. False with the
// reason in problem ("Permission denied") on failure.
bool WriteCsvFile(const std::string& path, const std::vector<CsvRecord>& records, std::string& problem);

} // namespace kh
