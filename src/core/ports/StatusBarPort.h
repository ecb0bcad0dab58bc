#pragma once
// The main window's status bar as the managers see it: six panes of text (user name, balance,
// numbers available, level, discount, score), which the account-figures manager fills in, and a
// notice pane after them that keeps a standing warning in view (requests that go out without
// certificate checking), empty otherwise.

#include <string>

namespace kh {

class StatusBarPort
{
public:
    static constexpr int kPaneCount = 6;
    static constexpr int kNoticePane = kPaneCount;

    virtual ~StatusBarPort() = default;

    // Sets the text of pane index (0 to 5, or kNoticePane); false when the pane does not exist or
    // the control refused.
    virtual bool SetPaneText(int index, const std::u16string& text) = 0;
    virtual std::u16string PaneText(int index) = 0;
};

} // namespace kh
