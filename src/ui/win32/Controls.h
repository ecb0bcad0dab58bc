#pragma once
// The small controls of the three windows, each attached to a control of a dialog resource
// (Dialog::Bind) and each a port where the managers use it. Port calls may come from any thread
// and run on the GUI thread (GuiThread.h); the callback members are called on the GUI thread when
// the user acts, never when a port call changes the control.

#include "core/ports/CheckBoxPort.h"
#include "core/ports/ComboBoxPort.h"
#include "core/ports/TextBoxPort.h"
#include "ui/win32/Wnd.h"

#include <functional>
#include <string>
#include <vector>

namespace kh::win32 {

// A push button.
class Button : public Wnd
{
public:
    std::function<void()> onClick;

    bool OnReflectedCommand(int code) override;
};

// A check box (automatic style); a port of the main window's three SMS boxes.
class CheckBox : public Wnd, public CheckBoxPort
{
public:
    // The state after the user's click.
    std::function<void(bool checked)> onClick;

    bool IsChecked() override;
    void SetChecked(bool checked) override;

    bool OnReflectedCommand(int code) override;
};

// A single- or multi-line edit box; the text-box port (search box, number count, project remark).
// Multi-line text reads and writes with CR LF line ends, as the edit control keeps it.
class Edit : public Wnd, public TextBoxPort
{
public:
    std::u16string GetWindowText() override;
    bool SetWindowText(const std::u16string& text) override;
};

// A drop-down list (CBS_DROPDOWNLIST, unsorted): the project, province and carrier boxes. Items
// keep the order they were put in, the selection follows its item when items are inserted or
// deleted above it, deleting the selected item leaves nothing selected, and the box's text is the
// selected item's.
class ComboBox : public Wnd, public ComboBoxPort
{
public:
    // The user chose an item (CBN_SELCHANGE): its index.
    std::function<void(int index)> onSelectionChanged;

    int GetCount() override;
    int AddString(const std::u16string& text) override;
    int InsertString(int index, const std::u16string& text) override;
    bool GetItemText(int index, std::u16string& text) override;
    intptr_t GetItemData(int index) override;
    bool SetItemData(int index, intptr_t data) override;
    bool DeleteString(int index) override;
    void ResetContent() override;
    int GetCurSel() override;
    bool SetCurSel(int index) override;
    std::u16string GetWindowText() override;
    void SetRedraw(bool redraw) override;
    void Invalidate(bool erase) override;

    bool OnReflectedCommand(int code) override;

private:
    int Insert(int index, const std::u16string& text);
};

// A static control that reports clicks (SS_NOTIFY), such as the login dialog's banner, and
// shows the hand cursor over itself when it does.
class Static : public Wnd
{
public:
    std::function<void()> onClick;

    // Shows bitmap (the control takes no ownership) / icon.
    void SetBitmap(HBITMAP bitmap);
    void SetIcon(HICON icon);

    bool OnReflectedCommand(int code) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A tab control whose pages are windows of their own, shown one at a time in its display area.
class TabControl : public Wnd
{
public:
    // The user chose another tab: its index (the page is shown already).
    std::function<void(int index)> onSelectionChanged;

    // Inserts a tab at the end; its index, -1 when refused.
    int AddTab(const std::u16string& title);
    // Makes page the window of tab index: a child of the tab control's parent placed over the
    // display area (pages of dialog resources are made with the tab control's parent as parent).
    void SetPage(int index, HWND page);
    // Selects tab index and shows its page; false when there is no such tab.
    bool Select(int index);
    int Selected() const;

    bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

private:
    void ShowPage(int index);

    std::vector<HWND> pages;
};

// The tooltips of a window's controls (multi-line texts with \n).
class Tooltip : public Wnd
{
public:
    // Creates the tooltip control of owner; false on failure.
    bool Create(HWND owner);
    // Adds the tool tool (a child of the owner) with text; false when the control refused. The
    // tooltip watches the tool's mouse messages itself.
    bool AddTool(HWND tool, const std::u16string& text);
};

} // namespace kh::win32
