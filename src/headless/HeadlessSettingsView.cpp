#include "headless/HeadlessSettingsView.h"

#include "desktop/SettingsPresenter.h"
#include "headless/HeadlessEventLoop.h"

namespace kh {

void HeadlessSettingsView::Show()
{
    ++shows;
    loop.Post([this] { ShowNow(); });
}

void HeadlessSettingsView::ShowNow()
{
    visible = true;
    if (presenter != nullptr)
        presenter->OnShown();
}

void HeadlessSettingsView::EnableModeFields(int group, bool on)
{
    if (group >= 0 && group < static_cast<int>(enabled.size()))
        enabled[static_cast<size_t>(group)] = on;
}

void HeadlessSettingsView::ShowPrompt(const std::u16string& text)
{
    prompts.push_back({text, selectedPage});
}

} // namespace kh
