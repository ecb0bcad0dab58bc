#pragma once
// The shell in memory: records every address it was asked to open and answers with a chosen
// result (42, a success, unless told otherwise).

#include "core/ports/ShellPort.h"

#include <mutex>
#include <vector>

namespace kh {

class HeadlessShell final : public ShellPort
{
public:
    explicit HeadlessShell(long result = 42) : result(result) {}

    long OpenUrl(const std::u16string& url) override;

    void SetResult(long value);
    std::vector<std::u16string> Opened() const;

private:
    mutable std::mutex mutex;
    long result;
    std::vector<std::u16string> opened;
};

} // namespace kh
