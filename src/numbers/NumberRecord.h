#pragma once
// One rented number as the number job stores it: mobile, prov, city, corp and the pid of the
// request, in this order. Consumers check the field count before they index, since a record
// built from a damaged reply may be shorter.

#include <string>
#include <vector>

namespace kh {

using NumberRecord = std::vector<std::u16string>;

enum NumberField : size_t
{
    kFieldMobile = 0,
    kFieldProvince = 1,
    kFieldCity = 2,
    kFieldCarrier = 3,
    kFieldPid = 4,
};

} // namespace kh
