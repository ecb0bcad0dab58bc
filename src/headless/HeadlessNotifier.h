#pragma once
// The desktop notifications in memory: every notice handed over, in order, for the tests to read
// (the terminal client shows codes on its own and ignores them).

#include "core/ports/NotifierPort.h"

#include <mutex>
#include <string>
#include <vector>

namespace kh {

class HeadlessNotifier final : public NotifierPort
{
public:
    struct Notice
    {
        std::u16string number;
        std::u16string code;
        bool operator==(const Notice&) const = default;
    };

    void NotifyCode(const std::u16string& number, const std::u16string& code) override;

    std::vector<Notice> Notices();

private:
    std::mutex mutex;
    std::vector<Notice> notices;
};

} // namespace kh
