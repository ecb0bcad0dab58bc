#include "ui/win32/ListView.h"

#include "ui/win32/GuiThread.h"

#include <algorithm>
#include <chrono>

namespace kh::win32 {

namespace {

int CALLBACK CompareByRank(LPARAM first, LPARAM second, LPARAM)
{
    return first < second ? -1 : (first > second ? 1 : 0);
}

} // namespace

int ListView::RowCount() const
{
    return hwnd != nullptr ? static_cast<int>(SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

int ListView::ColumnCount()
{
    // Columns only come through InsertColumn, which forgets the count.
    if (columnCount == kColumnsUnknown) {
        HWND header = hwnd != nullptr ? reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0)) : nullptr;
        if (header == nullptr)
            return -1;
        columnCount = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    }
    return columnCount;
}

std::u16string ListView::CellText(int row, int column)
{
    // A list without columns still holds its first cell.
    if (row < 0 || row >= SyncCells() || column < 0 || column >= std::max(ColumnCount(), 1))
        return {};
    return CopyOf(row, column);
}

int ListView::SyncCells()
{
    int count = RowCount();
    if (count < 0) {
        cells.clear();
        return count;
    }
    if (cells.size() == static_cast<size_t>(count))
        return count;
    int columns = std::max(ColumnCount(), 1);
    cells.assign(static_cast<size_t>(count), {});
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < columns; ++column)
            cells[static_cast<size_t>(row)].push_back(ReadCell(row, column));
    }
    return count;
}

std::u16string& ListView::CopyOf(int row, int column)
{
    std::vector<std::u16string>& line = cells[static_cast<size_t>(row)];
    if (line.size() <= static_cast<size_t>(column))
        line.resize(static_cast<size_t>(column) + 1);
    return line[static_cast<size_t>(column)];
}

std::u16string ListView::ReadCell(int row, int column) const
{
    // LVM_GETITEMTEXT copies at most the buffer; a cell that fills it may be longer.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        auto copied = static_cast<size_t>(
            SendMessageW(hwnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size())
            return FromWide(buffer.data(), copied);
        buffer.resize(buffer.size() * 4);
    }
}

bool ListView::SetCellText(int row, int column, const std::u16string& text)
{
    if (row < 0 || row >= SyncCells() || column < 0 || column >= std::max(ColumnCount(), 1))
        return false;
    return WriteCell(row, column, text);
}

bool ListView::WriteCell(int row, int column, const std::u16string& text)
{
    std::u16string& shown = CopyOf(row, column);
    if (shown == text)
        return true;
    HoldDrawing();
    std::u16string copy = text;
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(copy.data());
    if (SendMessageW(hwnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) == 0)
        return false;
    shown = text;
    return true;
}

bool ListView::SetState(int row, UINT state, UINT mask)
{
    if (row < 0 || row >= RowCount())
        return false;
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    return SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

void ListView::HoldDrawing()
{
    if (hwnd == nullptr)
        return;
    auto now = std::chrono::steady_clock::now();
    if (held) {
        // A long run of changes still shows now and then.
        if (now - heldSince < kLongestHold)
            return;
        ReleaseDrawing();
    }
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    held = true;
    heldSince = now;
    PostToGuiThread([alive = std::weak_ptr<int>(lifetime), this] {
        if (!alive.expired())
            ReleaseDrawing();
    });
}

void ListView::ReleaseDrawing()
{
    if (!held || hwnd == nullptr)
        return;
    held = false;
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, FALSE);
}

int ListView::GetItemCount()
{
    return OnGuiThread([&] { return RowCount(); }, -1);
}

int ListView::InsertItem(int position, const std::u16string& text)
{
    if (position < 0)
        return -1;
    return OnGuiThread(
        [&] {
            if (hwnd == nullptr)
                return -1;
            std::u16string copy = text;
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = position;
            item.pszText = reinterpret_cast<wchar_t*>(copy.data());
            item.lParam = 0;
            SyncCells();
            HoldDrawing();
            int row = static_cast<int>(SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            if (row >= 0 && static_cast<size_t>(row) <= cells.size())
                cells.insert(cells.begin() + row, std::vector<std::u16string>{text});
            return row;
        },
        -1);
}

bool ListView::DeleteItem(int row)
{
    return OnGuiThread([&] {
        if (row < 0 || row >= SyncCells())
            return false;
        HoldDrawing();
        if (SendMessageW(hwnd, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) == 0)
            return false;
        cells.erase(cells.begin() + row);
        return true;
    });
}

bool ListView::DeleteAllItems()
{
    return OnGuiThread([&] {
        if (hwnd == nullptr)
            return false;
        HoldDrawing();
        if (SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0) == 0)
            return false;
        cells.clear();
        return true;
    });
}

std::u16string ListView::GetItemText(int row, int column)
{
    return OnGuiThread([&] { return CellText(row, column); });
}

bool ListView::SetItemText(int row, int column, const std::u16string& text)
{
    return OnGuiThread([&] { return SetCellText(row, column, text); });
}

std::vector<std::u16string> ListView::GetColumnTexts(int column)
{
    return OnGuiThread([&] {
        std::vector<std::u16string> texts;
        int count = SyncCells();
        if (count <= 0)
            return texts;
        texts.resize(static_cast<size_t>(count));
        if (column < 0 || column >= std::max(ColumnCount(), 1))
            return texts;
        for (int row = 0; row < count; ++row)
            texts[static_cast<size_t>(row)] = CopyOf(row, column);
        return texts;
    });
}

bool ListView::SetColumnTexts(int column, const std::vector<std::u16string>& texts)
{
    return OnGuiThread([&] {
        if (hwnd == nullptr || texts.size() != static_cast<size_t>(std::max(SyncCells(), 0)) || column < 0 ||
            column >= std::max(ColumnCount(), 1))
            return false;
        bool written = true;
        for (size_t row = 0; row < texts.size() && written; ++row)
            written = WriteCell(static_cast<int>(row), column, texts[row]);
        return written;
    });
}

intptr_t ListView::GetItemData(int row)
{
    return OnGuiThread(
        [&] {
            if (row < 0 || row >= RowCount())
                return intptr_t(0);
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            SendMessageW(hwnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            return static_cast<intptr_t>(item.lParam);
        },
        intptr_t(0));
}

bool ListView::SetItemData(int row, intptr_t data)
{
    return OnGuiThread([&] {
        if (row < 0 || row >= RowCount())
            return false;
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = static_cast<LPARAM>(data);
        return SendMessageW(hwnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    });
}

bool ListView::IsItemSelected(int row)
{
    return OnGuiThread([&] {
        return row >= 0 && row < RowCount() &&
               (SendMessageW(hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
    });
}

bool ListView::SetItemSelected(int row, bool selected)
{
    return OnGuiThread([&] { return SetState(row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED); });
}

std::vector<int> ListView::GetSelectedRows()
{
    return OnGuiThread([&] {
        std::vector<int> rows;
        if (hwnd == nullptr)
            return rows;
        int row = -1;
        while ((row = static_cast<int>(
                    SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(row), MAKELPARAM(LVNI_SELECTED, 0)))) >= 0)
            rows.push_back(row);
        return rows;
    });
}

int ListView::GetFocusedRow()
{
    return OnGuiThread(
        [&] {
            return hwnd != nullptr ? static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                                   MAKELPARAM(LVNI_FOCUSED, 0)))
                                   : -1;
        },
        -1);
}

bool ListView::SetFocusedRow(int row)
{
    return OnGuiThread([&] {
        if (row == -1) {
            auto focused = static_cast<int>(
                SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
            return focused < 0 || SetState(focused, 0, LVIS_FOCUSED);
        }
        return SetState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    });
}

bool ListView::EnsureVisible(int row, bool partialOk)
{
    return OnGuiThread([&] {
        // Scrolling works on the list as drawn.
        ReleaseDrawing();
        return row >= 0 && row < RowCount() &&
               SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), partialOk ? TRUE : FALSE) != 0;
    });
}

int ListView::InsertColumn(int index, const std::u16string& title, int width)
{
    if (index < 0)
        return -1;
    return OnGuiThread(
        [&] {
            if (hwnd == nullptr)
                return -1;
            std::u16string copy = title;
            LVCOLUMNW column{};
            column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.fmt = LVCFMT_LEFT;
            // Widths are pixels at 96 DPI; at 150 % a column is half as wide again.
            column.cx = Scale(width);
            column.pszText = reinterpret_cast<wchar_t*>(copy.data());
            column.iSubItem = index;
            int inserted = static_cast<int>(
                SendMessageW(hwnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
            // The cells of the rows shift; the copy is read again.
            columnCount = kColumnsUnknown;
            cells.clear();
            return inserted;
        },
        -1);
}

int ListView::GetHeaderColumnCount()
{
    return OnGuiThread([&] { return ColumnCount(); }, -1);
}

bool ListView::GetColumnTitle(int column, int maxChars, std::u16string& title)
{
    title.clear();
    if (column < 0 || maxChars < 0)
        return false;
    return OnGuiThread([&] {
        if (column >= ColumnCount())
            return false;
        // The buffer holds maxChars characters and the terminator, so at most maxChars are read.
        std::vector<wchar_t> buffer(static_cast<size_t>(maxChars) + 1, L'\0');
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        if (SendMessageW(hwnd, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)) == 0)
            return false;
        // The control may point pszText at its own copy.
        const wchar_t* text = item.pszText != nullptr ? item.pszText : buffer.data();
        size_t length = 0;
        while (length < static_cast<size_t>(maxChars) && text[length] != L'\0')
            ++length;
        title = FromWide(text, length);
        return true;
    });
}

uint32_t ListView::GetExtendedStyle()
{
    return OnGuiThread(
        [&] {
            return hwnd != nullptr ? static_cast<uint32_t>(SendMessageW(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0))
                                   : uint32_t(0);
        },
        uint32_t(0));
}

void ListView::SetExtendedStyle(uint32_t style)
{
    // The port's style bits are the control's own (LVS_EX_GRIDLINES, ...). Mask 0: every bit is
    // set to the value given.
    OnGuiThread([&] { SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)); });
}

bool ListView::ApplyOrder(const std::vector<int>& order)
{
    return OnGuiThread([&] {
        int count = RowCount();
        if (count < 0 || order.size() != static_cast<size_t>(count))
            return false;
        std::vector<bool> seen(order.size(), false);
        for (int from : order) {
            if (from < 0 || from >= count || seen[static_cast<size_t>(from)])
                return false;
            seen[static_cast<size_t>(from)] = true;
        }
        return Reorder(order);
    });
}

bool ListView::MoveItem(int from, int to)
{
    return OnGuiThread([&] {
        int count = SyncCells();
        if (from < 0 || from >= count || to < 0 || to >= count)
            return false;
        if (from == to)
            return true;
        // The row is taken out and put in again at its new place with its cells, item data and
        // selection: a few messages, where a sort of the whole list would cost several per row.
        LVITEMW item{};
        item.mask = LVIF_PARAM | LVIF_STATE;
        item.iItem = from;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        if (SendMessageW(hwnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == 0)
            return false;
        bool focused = (item.state & LVIS_FOCUSED) != 0;
        item.state &= LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        std::vector<std::u16string> line = cells[static_cast<size_t>(from)];
        HoldDrawing();
        bool moved = SendMessageW(hwnd, LVM_DELETEITEM, static_cast<WPARAM>(from), 0) != 0;
        if (moved) {
            cells.erase(cells.begin() + from);
            std::u16string first = line.empty() ? std::u16string() : line[0];
            item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
            item.iItem = to;
            item.iSubItem = 0;
            item.pszText = reinterpret_cast<wchar_t*>(first.data());
            int row = static_cast<int>(SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            moved = row == to;
            if (row >= 0 && static_cast<size_t>(row) <= cells.size()) {
                cells.insert(cells.begin() + row, std::vector<std::u16string>{first});
                for (size_t column = 1; column < line.size(); ++column)
                    moved = WriteCell(row, static_cast<int>(column), line[column]) && moved;
            }
        }
        // The focus stays behind, as with a row moved by an insert and a delete: no row has it
        // (the control may have given it to a neighbour of the deleted row).
        if (focused) {
            int now = static_cast<int>(
                SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
            if (now >= 0)
                SetState(now, 0, LVIS_FOCUSED);
        }
        return moved;
    });
}

bool ListView::Reorder(const std::vector<int>& order)
{
    HoldDrawing();
    int count = static_cast<int>(order.size());
    // Each row's item data becomes its place in the new order for the length of the sort,
    // which then compares those; afterwards every row gets its own data back.
    std::vector<LPARAM> data(order.size());
    for (int row = 0; row < count; ++row) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageW(hwnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        data[static_cast<size_t>(row)] = item.lParam;
    }
    auto setData = [&](int row, LPARAM value) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = value;
        SendMessageW(hwnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    };
    for (int place = 0; place < count; ++place)
        setData(order[static_cast<size_t>(place)], place);
    bool sorted = SendMessageW(hwnd, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(CompareByRank)) != 0;
    if (sorted && cells.size() == order.size()) {
        std::vector<std::vector<std::u16string>> reordered(order.size());
        for (size_t place = 0; place < order.size(); ++place)
            reordered[place] = std::move(cells[static_cast<size_t>(order[place])]);
        cells = std::move(reordered);
    } else {
        cells.clear();
    }
    if (sorted) {
        for (int place = 0; place < count; ++place)
            setData(place, data[static_cast<size_t>(order[static_cast<size_t>(place)])]);
    } else {
        for (int row = 0; row < count; ++row)
            setData(row, data[static_cast<size_t>(row)]);
    }
    return sorted;
}

bool ListView::OnReflectedNotify(NMHDR* header, LRESULT& result)
{
    if (header->code == LVN_COLUMNCLICK && onColumnClick) {
        onColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        result = 0;
        return true;
    }
    if (header->code == static_cast<UINT>(NM_RCLICK) && onRightClick) {
        POINT cursor{};
        GetCursorPos(&cursor);
        onRightClick(cursor);
        result = 0;
        return true;
    }
    return false;
}

} // namespace kh::win32
