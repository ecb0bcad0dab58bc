#pragma once
// A check box in memory; its state is read and written from any thread.

#include "core/ports/CheckBoxPort.h"

#include <atomic>

namespace kh {

class HeadlessCheckBox final : public CheckBoxPort
{
public:
    HeadlessCheckBox() = default;
    explicit HeadlessCheckBox(bool initial) : checked(initial) {}

    bool IsChecked() override { return checked.load(); }
    void SetChecked(bool value) override { checked.store(value); }

private:
    std::atomic<bool> checked{false};
};

} // namespace kh
