#pragma once
// A dialog made from a dialog resource, modal or modeless. Its procedure routes the messages to
// hooks: the dialog's commands and notifications go first to the object of the control that sent
// them (reflection, see Wnd.h), then to onCommand / onNotify; everything else to onMessage. The
// hooks are callback members, so the code that owns the dialog decides what happens, with no
// class of its own; a subclass may override the virtual ones instead.
//
// Ordinary use:
//   Dialog dialog;
//   dialog.onInit = [&] { list.Attach(dialog.Item(1014)); return true; };
//   dialog.onCommand = [&](int id, int code) { ...; return true; };
//   INT_PTR result = dialog.RunModal(kDialogLogin, owner);

#include "ui/win32/Wnd.h"

#include <functional>

namespace kh::win32 {

class Dialog : public Wnd
{
public:
    // After the controls exist, before the dialog shows; false when the focus was set by the hook.
    std::function<bool()> onInit;
    // A command of a control, menu item or accelerator that its control did not handle: id, code.
    std::function<bool(int id, int code)> onCommand;
    // A notification its control did not handle; result goes back to the sender.
    std::function<bool(NMHDR* header, LRESULT& result)> onNotify;
    // Every other message; true when handled, with result as the message's result.
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)> onMessage;

    Dialog() = default;
    // A modeless dialog still open is destroyed with its object.
    ~Dialog() override;

    // Runs the dialog of resource id modally; the value given to End, or -1 when it could not be
    // created.
    INT_PTR RunModal(int resourceId, HWND owner);
    // Creates the dialog of resource id modeless (shown only if the resource says WS_VISIBLE);
    // false when it could not be created. parent: the owner, or the parent of a child page.
    bool Create(int resourceId, HWND parent);
    // Ends a modal dialog with result.
    void End(INT_PTR result);
    // Destroys a modeless dialog.
    void Destroy();

    HWND Item(int id) const { return hwnd != nullptr ? GetDlgItem(hwnd, id) : nullptr; }
    // Attaches control to the dialog's control id; false when there is none.
    bool Bind(Wnd& control, int id) { return control.Attach(Item(id)); }

    // Centres the dialog on its owner's monitor's work area (the screen's, when it has no owner
    // or the owner is hidden), without resizing it.
    void CentreOnScreen();

    bool IsModal() const { return modal; }

protected:
    virtual bool OnInitDialog();
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

    bool modal = false;
};

} // namespace kh::win32
