#include "ui/win32/ToolBar.h"

#include "ui/win32/GuiThread.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/Wnd.h"

namespace kh::win32 {

namespace {

// The standard control id of a toolbar.
constexpr int kToolBarControlId = 0xE800;

} // namespace

const ToolBar::ButtonInfo ToolBar::kButtons[8] = {
    {kIdGetNumbers, IDI_GET_NUMBERS, u"获取号码"},   {kIdGetSms, IDI_GET_SMS, u"获取短信"},
    {kIdExtractRule, IDI_EXTRACT_RULE, u"提取规则"}, {kIdRecharge, IDI_RECHARGE, u"账户充值"},
    {kIdProjectLink, IDI_PROJECT_LINK, u"项目对接"}, {kIdProjectManagement, IDI_PROJECT_MANAGEMENT, u"项目管理"},
    {kIdWindowTop, IDI_WINDOW_TOP, u"窗口置顶"},     {kIdSettingsCentre, IDI_SETTINGS_CENTRE, u"设置中心"},
};

ToolBar::~ToolBar()
{
    for (HWND bar : bars) {
        if (IsWindow(bar))
            DestroyWindow(bar);
    }
    // A toolbar does not destroy the image list it was given.
    for (HIMAGELIST list : images)
        ImageList_Destroy(list);
}

bool ToolBar::Create(HWND owner, const RECT& place)
{
    if (owner == nullptr)
        return false;
    int iconSize = ScaleTo(32, DpiOf(owner));
    bool all = true;
    for (const ButtonInfo& info : kButtons) {
        HWND bar = CreateBar(owner, info, iconSize);
        if (bar == nullptr) {
            all = false;
            continue;
        }
        bars.push_back(bar);
        commands.push_back(info.commandId);
    }
    Layout(place);
    return all;
}

HWND ToolBar::CreateBar(HWND owner, const ButtonInfo& info, int iconSize)
{
    // Each bar places itself (no docking, no divider) and is as large as its one button.
    HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 0, 0, owner, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBarControlId)),
                               GetModuleHandleW(nullptr), nullptr);
    if (bar == nullptr)
        return nullptr;
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    HIMAGELIST list = ImageList_Create(iconSize, iconSize, ILC_COLOR32, 0, 0);
    auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(info.iconId), IMAGE_ICON,
                                              iconSize, iconSize, LR_DEFAULTCOLOR));
    bool added = list != nullptr && icon != nullptr && ImageList_ReplaceIcon(list, -1, icon) == 0;
    if (icon != nullptr)
        DestroyIcon(icon);
    if (!added) {
        if (list != nullptr)
            ImageList_Destroy(list);
        DestroyWindow(bar);
        return nullptr;
    }
    images.push_back(list);
    SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
    std::u16string text = info.text;
    TBBUTTON button{};
    button.iBitmap = 0;
    button.idCommand = info.commandId;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    button.iString = reinterpret_cast<INT_PTR>(text.c_str());
    if (!SendMessageW(bar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button))) {
        DestroyWindow(bar);
        return nullptr;
    }
    SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    return bar;
}

void ToolBar::Layout(const RECT& place)
{
    std::vector<SIZE> sizes;
    int remaining = place.right - place.left;
    for (HWND bar : bars) {
        RECT button{};
        SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
        SIZE size{button.right - button.left, button.bottom - button.top};
        sizes.push_back(size);
        remaining -= size.cx;
    }
    // With fewer than two bars there is no gap to share: a single bar sits on the left edge.
    int n = static_cast<int>(bars.size());
    int gap = n > 1 ? remaining / (n - 1) : 0;
    int spare = n > 1 ? remaining % (n - 1) : 0;
    int x = place.left;
    for (size_t i = 0; i < bars.size(); ++i) {
        MoveWindow(bars[i], x, place.top, sizes[i].cx, sizes[i].cy, TRUE);
        x += sizes[i].cx + gap;
        if (spare > 0) {
            ++x;
            --spare;
        }
    }
}

int ToolBar::ButtonsWidth() const
{
    int width = 0;
    for (HWND bar : bars) {
        RECT button{};
        SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
        width += button.right - button.left;
    }
    return width;
}

HWND ToolBar::BarOf(int commandId) const
{
    for (size_t i = 0; i < commands.size(); ++i) {
        if (commands[i] == commandId)
            return bars[i];
    }
    return nullptr;
}

bool ToolBar::SetButtonChecked(int commandId, bool checked)
{
    return OnGuiThread([&] {
        HWND bar = BarOf(commandId);
        return bar != nullptr && SendMessageW(bar, TB_CHECKBUTTON, static_cast<WPARAM>(commandId),
                                              MAKELPARAM(checked ? TRUE : FALSE, 0)) != 0;
    });
}

bool ToolBar::IsButtonChecked(int commandId)
{
    return OnGuiThread([&] {
        HWND bar = BarOf(commandId);
        return bar != nullptr && SendMessageW(bar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(commandId), 0) != 0;
    });
}

} // namespace kh::win32
