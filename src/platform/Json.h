#pragma once
// cJSON trees owned by a smart pointer, so no exit path forgets to free one. The lowest layer that
// parses JSON (the settings store) is here; the list readers and the tests use it too.

#include <cjson/cJSON.h>
#include <memory>
#include <string_view>

namespace kh {

struct JsonDeleter
{
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// The parsed tree of text; null when it is not JSON.
inline JsonPtr ParseJson(std::string_view text)
{
    return JsonPtr(cJSON_ParseWithLength(text.data(), text.size()));
}

} // namespace kh
