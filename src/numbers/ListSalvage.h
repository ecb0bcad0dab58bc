#pragma once
// What can still be read from a /get_mobile reply that does not parse as a whole, because it was
// cut short (a connection lost mid-body, a proxy's truncation): every number it held was rented,
// so PhoneNumManager keeps what is whole instead of dropping the reply. The scan only finds where
// the whole part ends; cJSON parses that part as it parses every reply.

#include <string>
#include <string_view>

namespace kh {

struct ListSalvage
{
    // The root object's "list" array (name matched in any letter case, as cJSON's lookup does)
    // began in the text.
    bool found = false;
    // The root object up to and with the last complete element of "list", closed again, so that
    // it parses; empty unless found.
    std::string wholePart;
    // The JSON text of the "mobile" value of an element that was cut after that value (a string
    // with its closing quote, or a number followed by a delimiter); empty otherwise.
    std::string cutMobile;
};

// Scans text, a JSON object cut anywhere (or otherwise damaged), for the whole part of its "list".
ListSalvage SalvageList(std::string_view text);

} // namespace kh
