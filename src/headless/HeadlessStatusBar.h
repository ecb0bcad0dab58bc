#pragma once
// The status bar in memory: six pane texts and the notice, readable by tests and the terminal client.

#include "core/ports/StatusBarPort.h"

#include <array>
#include <mutex>

namespace kh {

class HeadlessStatusBar final : public StatusBarPort
{
public:
    bool SetPaneText(int index, const std::u16string& text) override;
    std::u16string PaneText(int index) override;

private:
    std::mutex mutex;
    std::array<std::u16string, kNoticePane + 1> panes;
};

} // namespace kh
