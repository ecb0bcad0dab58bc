#include "ui/qt/GuiClipboard.h"

#include "ui/qt/GuiThread.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kh::ui {

bool GuiClipboard::OpenedByCaller()
{
    std::lock_guard<std::mutex> guard(mutex);
    return openedBy && *openedBy == std::this_thread::get_id();
}

bool GuiClipboard::Open()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (openedBy && *openedBy != std::this_thread::get_id())
        return false;
    openedBy = std::this_thread::get_id();
    return true;
}

bool GuiClipboard::Empty()
{
    if (!OpenedByCaller())
        return false;
    return OnGuiThread([&] {
        QGuiApplication::clipboard()->clear();
        return true;
    });
}

bool GuiClipboard::SetUnicodeText(const std::u16string& text)
{
    if (!OpenedByCaller())
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
    std::lock_guard<std::mutex> guard(mutex);
    if (!openedBy || *openedBy != std::this_thread::get_id())
        return false;
    openedBy.reset();
    return true;
}

} // namespace kh::ui
