#include "headless/HeadlessComboBox.h"

namespace kh {

using Guard = std::lock_guard<std::mutex>;

void HeadlessComboBox::FailNext(Op op, int times)
{
    Guard guard(mutex);
    failures.Add(op, times);
}

int HeadlessComboBox::GetCount()
{
    Guard guard(mutex);
    if (Consume(Op::Count))
        return -1;
    return static_cast<int>(items.size());
}

int HeadlessComboBox::AddString(const std::u16string& text)
{
    Guard guard(mutex);
    if (Consume(Op::Add))
        return -1;
    items.push_back(Item{text, 0});
    return static_cast<int>(items.size()) - 1;
}

int HeadlessComboBox::InsertString(int index, const std::u16string& text)
{
    Guard guard(mutex);
    int count = static_cast<int>(items.size());
    if (index < -1 || index > count || Consume(Op::Insert))
        return -1;
    if (index == -1)
        index = count;
    items.insert(items.begin() + index, Item{text, 0});
    if (selected >= index)
        ++selected;
    return index;
}

bool HeadlessComboBox::GetItemText(int index, std::u16string& text)
{
    Guard guard(mutex);
    if (!ValidIndex(index))
        return false;
    text = items[static_cast<size_t>(index)].text;
    return true;
}

intptr_t HeadlessComboBox::GetItemData(int index)
{
    Guard guard(mutex);
    return ValidIndex(index) ? items[static_cast<size_t>(index)].data : -1;
}

bool HeadlessComboBox::SetItemData(int index, intptr_t data)
{
    Guard guard(mutex);
    if (!ValidIndex(index))
        return false;
    items[static_cast<size_t>(index)].data = data;
    return true;
}

bool HeadlessComboBox::DeleteString(int index)
{
    Guard guard(mutex);
    if (!ValidIndex(index))
        return false;
    items.erase(items.begin() + index);
    if (selected == index)
        selected = -1;
    else if (selected > index)
        --selected;
    return true;
}

void HeadlessComboBox::ResetContent()
{
    Guard guard(mutex);
    items.clear();
    selected = -1;
}

int HeadlessComboBox::GetCurSel()
{
    Guard guard(mutex);
    return selected;
}

bool HeadlessComboBox::SetCurSel(int index)
{
    Guard guard(mutex);
    if (index == -1) {
        selected = -1;
        return true;
    }
    if (!ValidIndex(index))
        return false;
    selected = index;
    return true;
}

std::u16string HeadlessComboBox::GetWindowText()
{
    Guard guard(mutex);
    return ValidIndex(selected) ? items[static_cast<size_t>(selected)].text : std::u16string();
}

void HeadlessComboBox::SetRedraw(bool redraw)
{
    Guard guard(mutex);
    redrawing = redraw;
}

void HeadlessComboBox::Invalidate(bool erase)
{
    Guard guard(mutex);
    if (erase)
        ++erasedRepaints;
}

std::vector<std::u16string> HeadlessComboBox::Items()
{
    Guard guard(mutex);
    std::vector<std::u16string> texts;
    for (const auto& item : items)
        texts.push_back(item.text);
    return texts;
}

bool HeadlessComboBox::Redrawing()
{
    Guard guard(mutex);
    return redrawing;
}

int HeadlessComboBox::ErasedRepaints()
{
    Guard guard(mutex);
    return erasedRepaints;
}

} // namespace kh
