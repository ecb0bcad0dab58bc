#include "ui/qt/GuiComboBox.h"

#include "ui/qt/GuiThread.h"

#include <QSignalBlocker>

namespace kh::ui {

namespace {

constexpr int kDataRole = Qt::UserRole;

} // namespace

int GuiComboBox::InsertOnGuiThread(int index, const QString& text)
{
    int itemCount = count();
    if (index < -1 || index > itemCount)
        return -1;
    if (index == -1)
        index = itemCount;
    QSignalBlocker blocker(this);
    int selected = currentIndex();
    insertItem(index, text, QVariant::fromValue<qlonglong>(0));
    // QComboBox selects the first item put into an empty box; the port's box does not.
    if (selected == -1 && currentIndex() != -1)
        setCurrentIndex(-1);
    return index;
}

int GuiComboBox::GetCount()
{
    return OnGuiThread([&] { return count(); }, -1);
}

int GuiComboBox::AddString(const std::u16string& text)
{
    return OnGuiThread([&] { return InsertOnGuiThread(-1, QString::fromStdU16String(text)); }, -1);
}

int GuiComboBox::InsertString(int index, const std::u16string& text)
{
    return OnGuiThread([&] { return InsertOnGuiThread(index, QString::fromStdU16String(text)); }, -1);
}

bool GuiComboBox::GetItemText(int index, std::u16string& text)
{
    return OnGuiThread([&] {
        if (index < 0 || index >= count())
            return false;
        text = itemText(index).toStdU16String();
        return true;
    });
}

intptr_t GuiComboBox::GetItemData(int index)
{
    return OnGuiThread(
        [&] {
            if (index < 0 || index >= count())
                return intptr_t(-1);
            return static_cast<intptr_t>(itemData(index, kDataRole).toLongLong());
        },
        intptr_t(-1));
}

bool GuiComboBox::SetItemData(int index, intptr_t data)
{
    return OnGuiThread([&] {
        if (index < 0 || index >= count())
            return false;
        QSignalBlocker blocker(this);
        setItemData(index, QVariant::fromValue<qlonglong>(data), kDataRole);
        return true;
    });
}

bool GuiComboBox::DeleteString(int index)
{
    return OnGuiThread([&] {
        if (index < 0 || index >= count())
            return false;
        QSignalBlocker blocker(this);
        int selected = currentIndex();
        removeItem(index);
        // Deleting the selected item leaves nothing selected (Qt would select a neighbour).
        if (selected == index)
            setCurrentIndex(-1);
        return true;
    });
}

void GuiComboBox::ResetContent()
{
    OnGuiThread([&] {
        QSignalBlocker blocker(this);
        clear();
    });
}

int GuiComboBox::GetCurSel()
{
    return OnGuiThread([&] { return currentIndex(); }, -1);
}

bool GuiComboBox::SetCurSel(int index)
{
    return OnGuiThread([&] {
        if (index < -1 || index >= count())
            return false;
        QSignalBlocker blocker(this);
        setCurrentIndex(index);
        return true;
    });
}

std::u16string GuiComboBox::GetWindowText()
{
    return OnGuiThread([&] { return currentIndex() >= 0 ? currentText().toStdU16String() : std::u16string(); });
}

void GuiComboBox::SetRedraw(bool redraw)
{
    OnGuiThread([&] { setUpdatesEnabled(redraw); });
}

void GuiComboBox::Invalidate(bool)
{
    OnGuiThread([&] { update(); });
}

} // namespace kh::ui
