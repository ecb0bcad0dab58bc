#pragma once
// What the two list-reader fuzz targets share: a tip callback that only counts, and the element
// count of a reply's "list" member as cJSON sees it, for checking the readers' record counts.

#include <cjson/cJSON.h>
#include <string>

namespace kh::fuzz {

inline void CountTip(std::string, std::string, void* context)
{
    ++*static_cast<long*>(context);
}

// -1 when the reply is not JSON; otherwise how many elements the "list" member has (0 without one).
inline long ListElementCount(const std::string& reply)
{
    cJSON* root = cJSON_Parse(reply.c_str());
    if (root == nullptr)
        return -1;
    long count = 0;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, cJSON_GetObjectItem(root, "list"))++ count;
    cJSON_Delete(root);
    return count;
}

} // namespace kh::fuzz
