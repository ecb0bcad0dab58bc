#pragma once
// The main window itself as the dispatcher sees it: visibility, bringing it to the front, the
// top-most placement, and the posted message that ends its modal loop after a shutdown. Every call
// but PostClose is synchronous (thread rule in UiExecutor.h).

namespace kh {

class MainWindowPort
{
public:
    virtual ~MainWindowPort() = default;

    virtual bool IsVisible() = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Brings the window to the front as an alt-tab switch would.
    virtual void SwitchTo() = 0;
    // Places the window top-most or not, without moving or resizing it.
    virtual void SetTopMost(bool topMost) = 0;
    // Posts the close notice (WM_USER + 2 on Windows); the window ends its modal loop when it
    // arrives. Never waits for the GUI thread, so any thread may call it with any lock held.
    virtual void PostClose() = 0;
};

} // namespace kh
