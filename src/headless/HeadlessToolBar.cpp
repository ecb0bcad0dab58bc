#include "headless/HeadlessToolBar.h"

namespace kh {

HeadlessToolBar::HeadlessToolBar()
{
    for (int id : {kIdGetNumbers, kIdGetSms, kIdExtractRule, kIdSettingsCentre, kIdProjectLink, kIdProjectManagement,
                   kIdWindowTop, kIdRecharge})
        buttons[id] = false;
}

bool HeadlessToolBar::SetButtonChecked(int commandId, bool checked)
{
    std::lock_guard<std::mutex> guard(mutex);
    auto it = buttons.find(commandId);
    if (it == buttons.end())
        return false;
    it->second = checked;
    changes.emplace_back(commandId, checked);
    return true;
}

bool HeadlessToolBar::IsButtonChecked(int commandId)
{
    std::lock_guard<std::mutex> guard(mutex);
    auto it = buttons.find(commandId);
    return it != buttons.end() && it->second;
}

std::vector<std::pair<int, bool>> HeadlessToolBar::Changes()
{
    std::lock_guard<std::mutex> guard(mutex);
    return changes;
}

} // namespace kh
