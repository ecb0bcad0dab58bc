#include "headless/HeadlessListView.h"

#include <algorithm>

namespace kh {

using Guard = std::lock_guard<std::recursive_mutex>;

void HeadlessListView::FailNext(Op op, int times)
{
    Guard guard(mutex);
    failures.Add(op, times);
}

void HeadlessListView::SetHeaderPresent(bool present)
{
    Guard guard(mutex);
    headerPresent = present;
}

void HeadlessListView::SetObserver(std::function<void()> changed)
{
    Guard guard(mutex);
    observer = std::move(changed);
}

HeadlessListView::ChangeNotice::~ChangeNotice()
{
    if (!made)
        return;
    std::function<void()> watcher;
    {
        Guard guard(list.mutex);
        watcher = list.observer;
    }
    if (watcher)
        watcher();
}

int HeadlessListView::GetItemCount()
{
    Guard guard(mutex);
    if (Consume(Op::ItemCount))
        return -1;
    return static_cast<int>(rows.size());
}

int HeadlessListView::InsertItem(int position, const std::u16string& text)
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (position < 0 || Consume(Op::Insert))
        return -1;
    int count = static_cast<int>(rows.size());
    position = std::min(position, count);
    if (Consume(Op::InsertElsewhere))
        position = position > 0 ? 0 : count;
    Row row;
    row.cells.resize(CellCount());
    row.cells[0] = text;
    rows.insert(rows.begin() + position, std::move(row));
    notice.made = true;
    return position;
}

bool HeadlessListView::DeleteItem(int row)
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (!ValidRow(row) || Consume(Op::Delete))
        return false;
    rows.erase(rows.begin() + row);
    notice.made = true;
    return true;
}

bool HeadlessListView::DeleteAllItems()
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (Consume(Op::DeleteAll))
        return false;
    rows.clear();
    notice.made = true;
    return true;
}

std::u16string HeadlessListView::GetItemText(int row, int column)
{
    Guard guard(mutex);
    if (!ValidRow(row) || column < 0)
        return {};
    const auto& cells = rows[static_cast<size_t>(row)].cells;
    return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)] : std::u16string();
}

bool HeadlessListView::SetItemText(int row, int column, const std::u16string& text)
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (!ValidRow(row) || column < 0 || static_cast<size_t>(column) >= CellCount() || Consume(Op::SetText))
        return false;
    auto& cells = rows[static_cast<size_t>(row)].cells;
    if (cells.size() < CellCount())
        cells.resize(CellCount());
    cells[static_cast<size_t>(column)] = text;
    notice.made = true;
    return true;
}

std::vector<std::u16string> HeadlessListView::GetColumnTexts(int column)
{
    Guard guard(mutex);
    std::vector<std::u16string> texts;
    texts.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        texts.push_back(GetItemText(static_cast<int>(i), column));
    return texts;
}

bool HeadlessListView::SetColumnTexts(int column, const std::vector<std::u16string>& texts)
{
    Guard guard(mutex);
    if (texts.size() != rows.size())
        return false;
    return SetColumnTextsFrom(column, 0, texts);
}

bool HeadlessListView::SetColumnTextsFrom(int column, int firstRow, const std::vector<std::u16string>& texts)
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (firstRow < 0 || static_cast<size_t>(firstRow) + texts.size() > rows.size() || column < 0 ||
        static_cast<size_t>(column) >= CellCount() || Consume(Op::SetText))
        return false;
    for (size_t i = 0; i < texts.size(); ++i) {
        auto& cells = rows[static_cast<size_t>(firstRow) + i].cells;
        if (cells.size() < CellCount())
            cells.resize(CellCount());
        cells[static_cast<size_t>(column)] = texts[i];
    }
    notice.made = true;
    return true;
}

intptr_t HeadlessListView::GetItemData(int row)
{
    Guard guard(mutex);
    return ValidRow(row) ? rows[static_cast<size_t>(row)].data : 0;
}

bool HeadlessListView::SetItemData(int row, intptr_t data)
{
    Guard guard(mutex);
    if (!ValidRow(row) || Consume(Op::SetData))
        return false;
    rows[static_cast<size_t>(row)].data = data;
    return true;
}

bool HeadlessListView::IsItemSelected(int row)
{
    Guard guard(mutex);
    return ValidRow(row) && rows[static_cast<size_t>(row)].selected;
}

bool HeadlessListView::SetItemSelected(int row, bool selected)
{
    Guard guard(mutex);
    if (!ValidRow(row) || Consume(Op::Select))
        return false;
    rows[static_cast<size_t>(row)].selected = selected;
    return true;
}

std::vector<int> HeadlessListView::GetSelectedRows()
{
    Guard guard(mutex);
    std::vector<int> selected;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].selected)
            selected.push_back(static_cast<int>(i));
    }
    return selected;
}

int HeadlessListView::GetFocusedRow()
{
    Guard guard(mutex);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].focused)
            return static_cast<int>(i);
    }
    return -1;
}

bool HeadlessListView::SetFocusedRow(int row)
{
    Guard guard(mutex);
    if (row != -1 && !ValidRow(row))
        return false;
    for (auto& r : rows)
        r.focused = false;
    if (row >= 0)
        rows[static_cast<size_t>(row)].focused = true;
    return true;
}

bool HeadlessListView::EnsureVisible(int row, bool)
{
    Guard guard(mutex);
    if (!ValidRow(row) || Consume(Op::EnsureVisible))
        return false;
    lastVisibleRow = row;
    return true;
}

int HeadlessListView::InsertColumn(int index, const std::u16string& title, int width)
{
    Guard guard(mutex);
    if (index < 0 || Consume(Op::InsertColumn))
        return -1;
    size_t position = std::min(static_cast<size_t>(index), columns.size());
    bool hadColumns = !columns.empty();
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(position), Column{title, width});
    // A list without columns still holds its first cell; the first column takes it over.
    if (hadColumns) {
        for (auto& row : rows)
            row.cells.insert(row.cells.begin() + static_cast<std::ptrdiff_t>(position), std::u16string());
    }
    return static_cast<int>(position);
}

int HeadlessListView::GetHeaderColumnCount()
{
    Guard guard(mutex);
    return headerPresent ? static_cast<int>(columns.size()) : -1;
}

bool HeadlessListView::GetColumnTitle(int column, int maxChars, std::u16string& title)
{
    Guard guard(mutex);
    title.clear();
    if (!headerPresent || column < 0 || static_cast<size_t>(column) >= columns.size() || maxChars < 0 ||
        Consume(Op::ColumnTitle))
        return false;
    title = columns[static_cast<size_t>(column)].title.substr(0, static_cast<size_t>(maxChars));
    return true;
}

uint32_t HeadlessListView::GetExtendedStyle()
{
    Guard guard(mutex);
    return extendedStyle;
}

void HeadlessListView::SetExtendedStyle(uint32_t style)
{
    Guard guard(mutex);
    extendedStyle = style;
}

bool HeadlessListView::ApplyOrder(const std::vector<int>& order)
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (order.size() != rows.size() || Consume(Op::ApplyOrder))
        return false;
    std::vector<bool> taken(rows.size(), false);
    for (int index : order) {
        if (!ValidRow(index) || taken[static_cast<size_t>(index)])
            return false;
        taken[static_cast<size_t>(index)] = true;
    }
    ++sortCount;
    // Rows move as a whole, so cells, item data, selection and focus travel with their row.
    std::vector<Row> ordered;
    ordered.reserve(rows.size());
    for (int index : order)
        ordered.push_back(std::move(rows[static_cast<size_t>(index)]));
    rows = std::move(ordered);
    notice.made = true;
    return true;
}

std::vector<std::u16string> HeadlessListView::ColumnTexts(int column)
{
    return GetColumnTexts(column);
}

std::vector<int> HeadlessListView::ColumnWidths()
{
    Guard guard(mutex);
    std::vector<int> widths;
    for (const auto& column : columns)
        widths.push_back(column.width);
    return widths;
}

int HeadlessListView::LastVisibleRow()
{
    Guard guard(mutex);
    return lastVisibleRow;
}

int HeadlessListView::SortCount()
{
    Guard guard(mutex);
    return sortCount;
}

bool HeadlessListView::MoveItem(int from, int to)
{
    ChangeNotice notice(*this);
    Guard guard(mutex);
    if (!ValidRow(from) || !ValidRow(to) || Consume(Op::Move))
        return false;
    Row moved = std::move(rows[static_cast<size_t>(from)]);
    moved.focused = false;
    rows.erase(rows.begin() + from);
    rows.insert(rows.begin() + to, std::move(moved));
    if (rows[static_cast<size_t>(to)].selected)
        lastVisibleRow = to;
    notice.made = true;
    return true;
}

} // namespace kh
