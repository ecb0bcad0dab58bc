#pragma once
// Reading the form bodies the client posts. The client inserts values as they are (no URL-encoding;
// only prov and corp of /get_mobile are %XX-encoded), so a value may itself hold "&", "=" or "+".
// A generic form decoder would split or rewrite such values; these helpers read the body the way it
// was written instead.

#include <map>
#include <string>
#include <vector>

namespace kh::sandbox {

using FormFields = std::map<std::string, std::string>;

// Reads body as "f1=v1&f2=v2..." in the given field order first, so that a raw value containing "&"
// or "=" stays whole (only the text "&<next field>=" ends a value). A body that does not follow the
// order (fields missing, reordered or unknown) is split plainly on "&" and the first "="; a name that
// occurs twice keeps its first value. A trailing line break of the body is ignored.
FormFields ParseForm(const std::string& body, const std::vector<std::string>& order);

// Decodes "%XX" sequences; every other byte stays as it is ("+" included). False for a "%" that is
// not followed by two hexadecimal digits.
bool PercentDecode(const std::string& text, std::string& decoded);

} // namespace kh::sandbox
