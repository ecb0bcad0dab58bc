#include "ui/win32/LoginDialog.h"

#include "ui/win32/GuiThread.h"
#include "ui/win32/MainDialog.h"
#include "ui/win32/ResourceIds.h"

#include <algorithm>

namespace kh::win32 {

LoginDialog::~LoginDialog()
{
    if (bannerBitmap != nullptr)
        DeleteObject(bannerBitmap);
    if (smallIcon != nullptr)
        DestroyIcon(smallIcon);
    if (tipIconImage != nullptr)
        DestroyIcon(tipIconImage);
}

bool LoginDialog::OnInitDialog()
{
    Bind(userBox, IDC_LOGIN_USER);
    Bind(passwordBox, IDC_LOGIN_PASSWORD);
    Bind(autoRunBox, IDC_AUTO_RUN);
    Bind(savePasswordBox, IDC_SAVE_PASSWORD);
    Bind(signInButton, IDC_LOGIN_BUTTON);
    Bind(registerButton, IDC_REGISTER_BUTTON);
    Bind(banner, IDC_BANNER);
    Bind(tipIcon, IDC_LOGIN_TIP_ICON);
    Bind(tipsLine, IDC_LOGIN_TIPS);
    signInButton.onClick = [this] {
        if (onSignIn)
            onSignIn();
    };
    registerButton.onClick = [this] {
        if (onRegister)
            onRegister();
    };
    banner.onClick = [this] {
        if (onBanner)
            onBanner();
    };

    UINT dpi = Dpi();
    smallIcon = LoadIconSized(IDI_APP, ScaleTo(16, dpi));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    RECT iconRect = tipIcon.RectInParent();
    tipIconImage =
        LoadIconSized(IDI_LOGIN_TIP, std::min(iconRect.right - iconRect.left, iconRect.bottom - iconRect.top));
    tipIcon.SetIcon(tipIconImage);
    FitBanner();

    // Centred on the screen (the main window is not visible yet), then collapsed so that the tips
    // strip is outside the dialog until the first tip.
    CentreOnScreen();
    GetWindowRect(hwnd, &fullRect);
    RECT tips;
    GetWindowRect(tipsLine.Handle(), &tips);
    collapsedRect = fullRect;
    collapsedRect.bottom = tips.top;
    Collapse();
    return Dialog::OnInitDialog();
}

void LoginDialog::FitBanner()
{
    // The banner bitmap keeps its proportions at the control's width; what the control has above
    // and below it is filled with the bitmap's first and last rows stretched, which continue its
    // gradient.
    RECT place;
    GetClientRect(banner.Handle(), &place);
    int width = place.right - place.left;
    int height = place.bottom - place.top;
    auto source = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (source == nullptr || width <= 0 || height <= 0) {
        if (source != nullptr)
            DeleteObject(source);
        return;
    }
    BITMAP info{};
    GetObjectW(source, sizeof(info), &info);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    bannerBitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldFrom = SelectObject(from, source);
    HGDIOBJ oldTo = SelectObject(to, bannerBitmap);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    int scaledHeight = MulDiv(info.bmHeight, width, info.bmWidth);
    int top = (height - scaledHeight) / 2;
    StretchBlt(to, 0, top, width, scaledHeight, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    if (top > 0)
        StretchBlt(to, 0, 0, width, top, from, 0, 0, info.bmWidth, 1, SRCCOPY);
    if (top + scaledHeight < height)
        StretchBlt(to, 0, top + scaledHeight, width, height - top - scaledHeight, from, 0, info.bmHeight - 1,
                   info.bmWidth, 1, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    DeleteObject(source);
    banner.SetBitmap(bannerBitmap);
}

void LoginDialog::Collapse()
{
    if (hwnd != nullptr)
        MoveWindow(hwnd, collapsedRect.left, collapsedRect.top, collapsedRect.right - collapsedRect.left,
                   collapsedRect.bottom - collapsedRect.top, TRUE);
}

void LoginDialog::Expand()
{
    if (hwnd != nullptr)
        MoveWindow(hwnd, fullRect.left, fullRect.top, fullRect.right - fullRect.left, fullRect.bottom - fullRect.top,
                   TRUE);
}

bool LoginDialog::IsCollapsed() const
{
    RECT rect{};
    if (hwnd != nullptr)
        GetWindowRect(hwnd, &rect);
    return rect.bottom - rect.top < fullRect.bottom - fullRect.top;
}

void LoginDialog::ShowTip(const std::u16string& text)
{
    OnGuiThread([&] {
        Expand();
        if (tipsLine.Handle() != nullptr)
            SetWindowTextW(tipsLine.Handle(), Wide(text));
    });
}

void LoginDialog::SetButtonCaption(const std::u16string& caption)
{
    OnGuiThread([&] {
        if (signInButton.Handle() != nullptr)
            SetWindowTextW(signInButton.Handle(), Wide(caption));
    });
}

void LoginDialog::PostSuccessNotice()
{
    if (hwnd != nullptr)
        PostMessageW(hwnd, KH_WM_LOGIN_SUCCEEDED, 0, 0);
}

bool LoginDialog::OnCommand(int id, int code, HWND control)
{
    // Enter is the default button's press; Escape does nothing.
    if (id == IDOK && control == nullptr) {
        if (onSignIn)
            onSignIn();
        return true;
    }
    if (id == IDCANCEL)
        return true;
    return Dialog::OnCommand(id, code, control);
}

bool LoginDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CLOSE) {
        if (onClose)
            onClose();
        result = 0;
        return true;
    }
    if (message == KH_WM_LOGIN_SUCCEEDED) {
        if (onSucceeded)
            onSucceeded();
        return true;
    }
    return Dialog::OnMessage(message, wParam, lParam, result);
}

} // namespace kh::win32
