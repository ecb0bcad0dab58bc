#pragma once
// The main window's status bar: six panes of text (user name, balance, numbers available, level,
// discount, score) and the notice pane after them, each as wide as its last text, measured in the
// bar's own font; panes whose text was never set have no width. The status-bar port of the account
// figures and of the standing notices.

#include "core/ports/StatusBarPort.h"
#include "ui/win32/Wnd.h"

#include <array>

namespace kh::win32 {

class StatusBar : public Wnd, public StatusBarPort
{
public:
    // Creates the bar at the bottom of owner; false on failure. GUI thread.
    bool Create(HWND owner);

    bool SetPaneText(int index, const std::u16string& text) override;
    std::u16string PaneText(int index) override;

private:
    int MeasureWidth(const std::u16string& text) const;

    static constexpr int kParts = kNoticePane + 1;
    std::array<int, kParts> widths{};
};

} // namespace kh::win32
