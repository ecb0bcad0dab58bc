#pragma once
// One rented number as the number job stores it: mobile, prov, city, corp and the pid of the
// request, in this order. Consumers check the field count before they index, since a record
// built from a damaged reply may be shorter.

#include <string>
#include <vector>

namespace kh {

using NumberRecord = std::vector<std::u16string>;

// The most numbers one release or blacklist request names: the request body stays a few
// kilobytes, far below what a service accepts, however many numbers are to be settled.
inline constexpr size_t kNumbersPerSettleRequest = 500;

enum NumberField : size_t
{
    kFieldMobile = 0,
    kFieldProvince = 1,
    kFieldCity = 2,
    kFieldCarrier = 3,
    kFieldPid = 4,
};

} // namespace kh
