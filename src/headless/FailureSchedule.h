#pragma once
// How many of the next calls of each operation an in-memory control makes fail, so that tests
// reach the callers' error paths. Not locked itself: the control's own mutex guards it.

#include <map>

namespace kh {

template <typename Op> class FailureSchedule
{
public:
    void Add(Op op, int times) { counts[op] += times; }

    // True, and one failure used up, when the next call of op is to fail.
    bool Take(Op op)
    {
        auto it = counts.find(op);
        if (it == counts.end() || it->second <= 0)
            return false;
        if (--it->second == 0)
            counts.erase(it);
        return true;
    }

private:
    std::map<Op, int> counts;
};

} // namespace kh
