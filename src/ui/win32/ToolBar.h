#pragma once
// The main window's row of eight large buttons, each a toolbar of its own with one icon-and-text
// button, spread across the rectangle of the hidden placeholder (control 1017): the first on its
// left edge, the last on its right edge, the gaps between them differing by at most a pixel. A
// click sends the button's command id to the owner as WM_COMMAND. The toolbar port sets and reads
// a button's pressed state ("获取短信" while a fetch runs, "窗口置顶" with its setting); a click
// never changes it. Icons are 32 pixels at 96 DPI, scaled to the window's DPI.

#include "core/ports/ToolBarPort.h"
#include "ui/win32/WinApi.h"

#include <string>
#include <vector>

namespace kh::win32 {

class ToolBar : public ToolBarPort
{
public:
    struct ButtonInfo
    {
        int commandId;
        int iconId;
        const char16_t* text;
    };
    // Left to right.
    static const ButtonInfo kButtons[8];

    ToolBar() = default;
    ~ToolBar() override;
    ToolBar(const ToolBar&) = delete;
    ToolBar& operator=(const ToolBar&) = delete;

    // Creates the buttons as children of owner inside place (owner's client coordinates) and lays
    // them out. False when one could not be made; the others are laid out without it. GUI thread.
    bool Create(HWND owner, const RECT& place);

    bool SetButtonChecked(int commandId, bool checked) override;
    bool IsButtonChecked(int commandId) override;

    // The toolbar window of a command id, null when there is none (for tests).
    HWND BarOf(int commandId) const;
    // Spreads the buttons across place again (the window was resized). GUI thread.
    void Layout(const RECT& place);
    // The width of the buttons side by side with no gaps: the narrowest place they fit.
    int ButtonsWidth() const;

private:
    HWND CreateBar(HWND owner, const ButtonInfo& info, int iconSize);

    std::vector<HWND> bars;
    std::vector<int> commands;
    std::vector<HIMAGELIST> images;
};

} // namespace kh::win32
