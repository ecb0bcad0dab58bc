#include "ui/qt/GuiClipboard.h"

#include "ui/qt/GuiThread.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kh::ui {

bool GuiClipboard::Open()
{
    return owner.Open();
}

bool GuiClipboard::Empty()
{
    if (!owner.HeldByCaller())
        return false;
    return OnGuiThread([&] {
        QGuiApplication::clipboard()->clear();
        return true;
    });
}

bool GuiClipboard::SetUnicodeText(const std::u16string& text)
{
    if (!owner.HeldByCaller())
        return false;
    return OnGuiThread([&] {
        QString value = QString::fromStdU16String(text);
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(value);
        return clipboard->text() == value;
    });
}

bool GuiClipboard::Close()
{
    return owner.Close();
}

} // namespace kh::ui
