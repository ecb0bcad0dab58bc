#include "ComboText.h"

#include "Output.h"

namespace kh::cli {

std::vector<std::u16string> ComboItems(ComboBoxPort& combo)
{
    std::vector<std::u16string> items;
    int count = combo.GetCount();
    for (int i = 0; i < count; ++i) {
        std::u16string text;
        combo.GetItemText(i, text);
        items.push_back(text);
    }
    return items;
}

bool SelectEntry(ComboBoxPort& combo, const std::u16string& text)
{
    std::vector<std::u16string> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text)
            return combo.SetCurSel(static_cast<int>(i));
    return false;
}

std::string JoinEntries(ComboBoxPort& combo)
{
    std::string out;
    for (const std::u16string& item : ComboItems(combo))
        out += (out.empty() ? "" : " ") + Utf8(item);
    return out;
}

} // namespace kh::cli
