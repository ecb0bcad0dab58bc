#include "numbers/PhoneSMSListCtrl.h"

#include "base/AutoLock.h"
#include "core/OwnerWindow.h"
#include "core/ports/ListViewPort.h"
#include "numbers/NumberBatch.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteSetupNoView = 1,
    kSiteSetupColumn = 2,
    kSiteClearNoView = 3,
    kSiteClearItems = 4,
    kSiteAddNoView = 5,
    kSiteAddCount = 6,
    kSiteAddInsert = 7,
    kSiteAddEmptyNumber = 8,
    kSiteCellNoRow = 9,
    kSiteCellText = 10,
    kSiteSortNoView = 11,
    kSiteSortApply = 12,
    kSiteCopyNumberNoView = 13,
    kSiteCopySmsNoView = 14,
    kSiteCopyCodeNoView = 15,
    kSiteBlacklistNoBatch = 16,
    kSiteBlacklistEmptyNumber = 17,
    kSiteTitleNoView = 18,
    kSiteTitleHeader = 19,
    kSiteTitleColumn = 20,
    kSiteTitleText = 21,
    kSiteSortReadNoView = 22,
    kSiteSortItemData = 23,
    kSiteReindexNoView = 24,
    kSiteReindexEmptyNumber = 25,
    kSiteReindexSerials = 26,
    kSiteCompareNoView = 27,
    kSiteCompareData = 28,
    kSiteCompareNoColumn = 29,
    kSiteFirstReceivedNoView = 31,
    kSiteFirstReceivedNoBatch = 32,
    kSiteFirstReceivedEmptyNumber = 33,
    kSiteMoveDeleteOriginal = 36,
    kSiteMoveNoView = 37,
    kSiteMoveInsert = 38,
    kSiteMoveSource = 39,
    kSiteMoveHeader = 40,
    kSiteMoveSelect = 42,
    kSiteMoveEnsureVisible = 43,
    kSiteBlacklistNoView = 44,
    kSiteRemoveNoRow = 45,
    kSiteRemoveDelete = 46,
    kSiteMoveCopyCell = 47,
};

struct ColumnLayout
{
    const char16_t* title;
    int width;
};

constexpr ColumnLayout kColumns[] = {
    {u"序号", 40}, {u"手机号码", 90}, {u"短信", 150}, {u"验证码", 70}, {u"归属信息", 100},
};

constexpr uint32_t kListExtendedStyle = kListExGridLines | kListExFullRowSelect | kListExDoubleBuffer;
// The longest header title read for the sort tips.
constexpr int kTitleChars = 4;

std::u16string Decimal(long long value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Reads a signed decimal integer the way the C runtime's wide conversion does: leading blanks,
// an optional sign, digits up to the first other character; no digits read as 0, and values
// beyond the 64-bit range are clamped.
long long ReadInteger(const std::u16string& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    unsigned long long magnitude = 0;
    const unsigned long long limit = negative ? 0x8000000000000000ull : static_cast<unsigned long long>(LLONG_MAX);
    bool clamped = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        unsigned digit = static_cast<unsigned>(text[i] - u'0');
        if (clamped || magnitude > (limit - digit) / 10) {
            clamped = true;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (clamped)
        magnitude = limit;
    if (negative)
        return magnitude == 0x8000000000000000ull ? LLONG_MIN : -static_cast<long long>(magnitude);
    return static_cast<long long>(magnitude);
}

} // namespace

PhoneSMSListCtrl::PhoneSMSListCtrl(OwnerWindow* owner, TipCallback callback, void* context)
    : TipSource("PhoneSMSListCtrl.", callback, context), owner(owner), clipboard(callback, context)
{
}

void PhoneSMSListCtrl::SetupList(ListViewPort* view)
{
    // Taken although set-up runs once before anyone else uses the list: it makes the attach safe
    // against a number job that might already be starting.
    AutoLock guard(tipCallback, tipContext, &lock);
    listView = view;
    numberToRow.clear();
    rowNumbers.clear();
    rowsExact = false;
    sortColumn = -1;
    sortAscending = true;
    if (listView == nullptr) {
        ReportTip({}, kSiteSetupNoView);
        return;
    }
    listView->SetExtendedStyle(kListExtendedStyle);
    int index = 0;
    for (const auto& column : kColumns) {
        if (listView->InsertColumn(index, column.title, column.width) < 0) {
            ReportTip({}, kSiteSetupColumn);
            return;
        }
        ++index;
    }
}

void PhoneSMSListCtrl::ClearList()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (listView == nullptr) {
        ReportTip({}, kSiteClearNoView);
        return;
    }
    if (!listView->DeleteAllItems()) {
        rowsExact = false;
        ReportTip({}, kSiteClearItems);
        return;
    }
    numberToRow.clear();
    rowNumbers.clear();
    rowsExact = true;
}

void PhoneSMSListCtrl::AddRow(const std::u16string& number, const std::u16string& province, const std::u16string& city,
                              const std::u16string& carrier)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (listView == nullptr) {
        ReportTip({}, kSiteAddNoView);
        return;
    }
    int count = listView->GetItemCount();
    if (count < 0) {
        ReportTip({}, kSiteAddCount);
        return;
    }
    if (listView->InsertItem(count, Decimal(count + 1)) != count) {
        rowsExact = false;
        ReportTip({}, kSiteAddInsert);
        return;
    }
    // The row list follows only while it matched the view up to here; a mismatch stays one (the
    // list is then not used, see FindFirstReceivedRow) until the rows are read back from the view.
    if (rowNumbers.size() == static_cast<size_t>(count))
        rowNumbers.push_back(number);
    else
        rowsExact = false;
    if (number.empty()) {
        ReportTip({}, kSiteAddEmptyNumber);
        return;
    }
    numberToRow[number] = count;
    SetCell(number, kColumnNumber, number);
    SetCell(number, kColumnLocation, province + city + u" " + carrier);
}

void PhoneSMSListCtrl::RemoveRows(const std::vector<std::u16string>& numbers)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (listView == nullptr) {
        ReportTip({}, kSiteRemoveNoRow);
        return;
    }
    // From the bottom up, so the rows still to delete keep their positions.
    std::vector<int> rows;
    for (const std::u16string& number : numbers) {
        auto it = numberToRow.find(number);
        if (it != numberToRow.end() && it->second >= 0)
            rows.push_back(it->second);
    }
    std::sort(rows.rbegin(), rows.rend());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    for (int row : rows) {
        if (!listView->DeleteItem(row)) {
            ReportTip({}, kSiteRemoveDelete);
            break;
        }
    }
    ReindexRows();
}

void PhoneSMSListCtrl::SetCell(const std::u16string& number, int column, const std::u16string& text)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    auto it = numberToRow.find(number);
    if (it == numberToRow.end())
        return;
    if (listView == nullptr || it->second < 0) {
        ReportTip({}, kSiteCellNoRow);
        return;
    }
    if (!listView->SetItemText(it->second, column, text))
        ReportTip({}, kSiteCellText);
}

void PhoneSMSListCtrl::MoveRowUp(const std::u16string& number)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    auto it = numberToRow.find(number);
    if (it == numberToRow.end())
        return;
    int from = it->second;
    int count = -1;
    int to = FindFirstReceivedRow(count);
    if (to >= from)
        return;
    if (listView == nullptr || !listView->MoveItem(from, to)) {
        MoveRow(from, to);
        ReindexRows();
        return;
    }
    // Moved in one step (and scrolled into view when selected): the rows from `to` down to the old
    // place shift down by one. The index follows without reading the list back, and only the
    // serials of those rows change.
    if (count >= 0 && rowNumbers.size() == static_cast<size_t>(count) && from < count &&
        rowNumbers[static_cast<size_t>(from)] == number) {
        std::rotate(rowNumbers.begin() + to, rowNumbers.begin() + from, rowNumbers.begin() + from + 1);
        for (int row = to; row <= from; ++row) {
            auto entry = numberToRow.find(rowNumbers[static_cast<size_t>(row)]);
            if (entry != numberToRow.end() && entry->second >= to && entry->second <= from)
                entry->second = row;
        }
    } else {
        rowsExact = false;
        for (auto& entry : numberToRow) {
            if (entry.second >= to && entry.second < from)
                ++entry.second;
        }
        it->second = to;
    }
    std::vector<std::u16string> serials;
    serials.reserve(static_cast<size_t>(from - to + 1));
    for (int row = to; row <= from; ++row)
        serials.push_back(Decimal(row + 1));
    if (listView->SetColumnTextsFrom(kColumnSerial, to, serials))
        return;
    // A control that cannot write part of a column gets the whole of it.
    if (count < 0)
        count = listView->GetItemCount();
    serials.clear();
    for (int row = 0; row < count; ++row)
        serials.push_back(Decimal(row + 1));
    if (!listView->SetColumnTexts(kColumnSerial, serials))
        ReportTip({}, kSiteReindexSerials);
}

// Ends as an index rebuilt from scratch would: every entry is first marked unclaimed, each row
// claims its number (a later row wins), and the unclaimed entries are dropped. Updating the
// entries in place spares reallocating every one of them on each move.
void PhoneSMSListCtrl::ReindexRows()
{
    for (auto& entry : numberToRow)
        entry.second = -1;
    rowNumbers.clear();
    rowsExact = false;
    auto dropUnclaimed = [this] { std::erase_if(numberToRow, [](const auto& entry) { return entry.second < 0; }); };
    if (listView == nullptr) {
        dropUnclaimed();
        ReportTip({}, kSiteReindexNoView);
        return;
    }
    // The number column is read and the serials written in one call each: a call per row would
    // cost the window a round trip per row on every arrival.
    std::vector<std::u16string> numbers = listView->GetColumnTexts(kColumnNumber);
    rowNumbers = numbers;
    rowsExact = true;
    std::vector<std::u16string> serials;
    serials.reserve(numbers.size());
    for (size_t row = 0; row < numbers.size(); ++row) {
        if (numbers[row].empty()) {
            dropUnclaimed();
            ReportTip({}, kSiteReindexEmptyNumber);
            return;
        }
        numberToRow[numbers[row]] = static_cast<int>(row);
        serials.push_back(Decimal(static_cast<int>(row) + 1));
    }
    if (!listView->SetColumnTexts(kColumnSerial, serials)) {
        dropUnclaimed();
        ReportTip({}, kSiteReindexSerials);
        return;
    }
    dropUnclaimed();
}

void PhoneSMSListCtrl::RemoveRowByNumber(const std::u16string& number)
{
    auto it = numberToRow.find(number);
    if (it == numberToRow.end())
        return;
    if (listView == nullptr || it->second < 0) {
        ReportTip({}, kSiteRemoveNoRow);
        return;
    }
    if (!listView->DeleteItem(it->second)) {
        rowsExact = false;
        ReportTip({}, kSiteRemoveDelete);
        return;
    }
    ReindexRows();
}

int PhoneSMSListCtrl::FindFirstReceivedRow(int& count)
{
    if (listView == nullptr) {
        ReportTip({}, kSiteFirstReceivedNoView);
        return 0;
    }
    if (owner == nullptr || owner->batch == nullptr) {
        ReportTip({}, kSiteFirstReceivedNoBatch);
        return 0;
    }
    // The rows' numbers come from the row list kept here while it matches the view's row count and
    // every row on the way down is the one the index names: reading the number column back from
    // the view would copy the whole list across threads on every arrival. A row without a number,
    // or any doubt, sends the walk to the view, which shows the gap. While the row list is known
    // to be exact, the view is not even asked for its count.
    count = rowsExact ? static_cast<int>(rowNumbers.size()) : listView->GetItemCount();
    if (count >= 0 && rowNumbers.size() == static_cast<size_t>(count)) {
        int row = 0;
        for (; row < count; ++row) {
            const std::u16string& number = rowNumbers[static_cast<size_t>(row)];
            auto entry = number.empty() ? numberToRow.end() : numberToRow.find(number);
            if (entry == numberToRow.end() || entry->second != row)
                break;
            if (owner->batch->IsReceived(number))
                return row;
        }
        // No row has received a message yet: the first arrival of a batch, which goes to the top.
        // That is the normal case, so it raises no tip.
        if (row == count)
            return 0;
    }
    std::vector<std::u16string> numbers =
        count != 0 ? listView->GetColumnTexts(kColumnNumber) : std::vector<std::u16string>();
    for (size_t row = 0; row < numbers.size(); ++row) {
        if (numbers[row].empty()) {
            ReportTip({}, kSiteFirstReceivedEmptyNumber);
            return 0;
        }
        if (owner->batch->IsReceived(numbers[row]))
            return static_cast<int>(row);
    }
    return 0;
}

// Moves a row by inserting a copy at `to` and deleting the original. The original is deleted
// only once every cell has been copied: when a copy step fails, the half-made copy is removed
// again and the row stays where it was, with all its data.
void PhoneSMSListCtrl::MoveRow(int from, int to)
{
    if (listView == nullptr || to < 0) {
        ReportTip({}, kSiteMoveNoView);
        return;
    }
    int inserted = listView->InsertItem(to, u"");
    if (inserted != to) {
        if (inserted >= 0)
            listView->DeleteItem(inserted);
        ReportTip({}, kSiteMoveInsert);
        return;
    }
    if (to <= from)
        ++from;
    if (from < 0) {
        listView->DeleteItem(to);
        ReportTip({}, kSiteMoveSource);
        return;
    }
    int columns = listView->GetHeaderColumnCount();
    if (columns < 0) {
        listView->DeleteItem(to);
        ReportTip({}, kSiteMoveHeader);
        return;
    }
    for (int column = kColumnNumber; column < columns; ++column) {
        if (!listView->SetItemText(to, column, listView->GetItemText(from, column))) {
            listView->DeleteItem(to);
            ReportTip({}, kSiteMoveCopyCell);
            return;
        }
    }

    bool selected = listView->IsItemSelected(from);
    if (!listView->DeleteItem(from)) {
        ReportTip({}, kSiteMoveDeleteOriginal);
        return;
    }
    if (from < to)
        --to;
    if (selected) {
        if (!listView->SetItemSelected(to, true))
            ReportTip({}, kSiteMoveSelect);
        else if (!listView->EnsureVisible(to, false))
            ReportTip({}, kSiteMoveEnsureVisible);
    }
}

void PhoneSMSListCtrl::SortByColumn(int column)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (column == kColumnSerial)
        return;
    if (column == sortColumn) {
        sortAscending = !sortAscending;
    } else {
        sortColumn = column;
        sortAscending = true;
    }

    std::string prefix = "[";
    prefix += WideToAnsi(ReadColumnTitle(column));
    prefix += "] ";
    prefix += sortAscending ? "[升序] " : "[降序] ";
    ReportTip(prefix + "正在排序...", 0);

    // Each row's item data becomes its position, and the sorted column's texts are taken now: the
    // comparison runs here, on the calling worker, over this snapshot of the rows as they stood
    // when the sort began, and only the resulting order goes to the list view. (A comparator
    // called back from the view would run on the GUI thread.)
    sortTexts.clear();
    sortValues.clear();
    std::vector<intptr_t> rowData;
    if (listView == nullptr) {
        ReportTip({}, kSiteSortReadNoView);
    } else {
        int count = listView->GetItemCount();
        std::vector<std::u16string> columnTexts = listView->GetColumnTexts(sortColumn);
        bool dataWritten = true;
        for (int row = 0; row < count; ++row) {
            if (dataWritten && !listView->SetItemData(row, row)) {
                ReportTip({}, kSiteSortItemData);
                dataWritten = false;
            }
            if (!dataWritten) {
                // From a failed write on, the rows keep the item data they had and no text is
                // taken for them; the comparison goes by that data, as the view's own sort would.
                rowData.push_back(listView->GetItemData(row));
                continue;
            }
            rowData.push_back(row);
            sortTexts.push_back(static_cast<size_t>(row) < columnTexts.size() ? columnTexts[static_cast<size_t>(row)]
                                                                              : std::u16string());
            if (sortColumn == kColumnNumber)
                sortValues.push_back(ReadInteger(sortTexts.back()));
        }
    }
    if (listView == nullptr) {
        ReportTip({}, kSiteSortNoView);
        return;
    }
    std::vector<int> order(rowData.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareRows(rowData[static_cast<size_t>(a)], rowData[static_cast<size_t>(b)]) < 0;
    });
    sortTexts.clear();
    sortValues.clear();
    if (!listView->ApplyOrder(order)) {
        ReportTip({}, kSiteSortApply);
        return;
    }
    ReindexRows();
    ReportTip(prefix + "正在排序...排序完成。", 0);
}

std::u16string PhoneSMSListCtrl::ReadColumnTitle(int column)
{
    if (listView == nullptr) {
        ReportTip({}, kSiteTitleNoView);
        return {};
    }
    if (listView->GetHeaderColumnCount() < 0) {
        ReportTip({}, kSiteTitleHeader);
        return {};
    }
    if (column < 0) {
        ReportTip({}, kSiteTitleColumn);
        return {};
    }
    std::u16string title;
    if (!listView->GetColumnTitle(column, kTitleChars, title)) {
        ReportTip({}, kSiteTitleText);
        return {};
    }
    return title;
}

// The row's place in the texts taken before the sort, -1 (with a tip) when there is none.
int PhoneSMSListCtrl::CompareIndex(intptr_t data)
{
    if (listView == nullptr) {
        ReportTip({}, kSiteCompareNoView);
        return -1;
    }
    // Item data outside the rows taken at the start (a row whose data could not be written)
    // counts like a negative one.
    if (data < 0 || static_cast<size_t>(data) >= sortTexts.size()) {
        ReportTip({}, kSiteCompareData);
        return -1;
    }
    if (sortColumn < 0) {
        ReportTip({}, kSiteCompareNoColumn);
        return -1;
    }
    return static_cast<int>(data);
}

// Runs inside SortByColumn, with the list's lock held, and reads only the texts (and, for the
// number column, their values) taken before the sort started.
int PhoneSMSListCtrl::CompareRows(intptr_t first, intptr_t second)
{
    static const std::u16string empty;
    int a = CompareIndex(first);
    int b = CompareIndex(second);
    const std::u16string& textA = a >= 0 ? sortTexts[static_cast<size_t>(a)] : empty;
    const std::u16string& textB = b >= 0 ? sortTexts[static_cast<size_t>(b)] : empty;

    if (textA == textB)
        return 0;
    // Empty cells end at the bottom whichever way the column is sorted.
    if (textA.empty())
        return 1;
    if (textB.empty())
        return -1;
    int result;
    if (sortColumn == kColumnNumber) {
        long long valueA = sortValues[static_cast<size_t>(a)];
        long long valueB = sortValues[static_cast<size_t>(b)];
        result = valueA < valueB ? -1 : (valueA > valueB ? 1 : 0);
    } else {
        int order = textA.compare(textB);
        result = order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    return sortAscending ? result : -result;
}

void PhoneSMSListCtrl::CopyNumber()
{
    CopyColumn(kColumnNumber, kSiteCopyNumberNoView);
}

void PhoneSMSListCtrl::CopySms()
{
    CopyColumn(kColumnSms, kSiteCopySmsNoView);
}

void PhoneSMSListCtrl::CopyCode()
{
    CopyColumn(kColumnCode, kSiteCopyCodeNoView);
}

std::vector<std::vector<std::u16string>> PhoneSMSListCtrl::ReadRows()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    std::vector<std::vector<std::u16string>> rows;
    if (listView == nullptr)
        return rows;
    int count = listView->GetItemCount();
    for (int row = 0; row < count; ++row) {
        std::vector<std::u16string>& cells = rows.emplace_back();
        for (int column = kColumnSerial; column <= kColumnLocation; ++column)
            cells.push_back(listView->GetItemText(row, column));
    }
    return rows;
}

std::vector<std::u16string> PhoneSMSListCtrl::ColumnTitles()
{
    std::vector<std::u16string> titles;
    for (const auto& column : kColumns)
        titles.emplace_back(column.title);
    return titles;
}

void PhoneSMSListCtrl::CopyColumn(int column, int noListSite)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (listView == nullptr) {
        ReportTip({}, noListSite);
        return;
    }
    int focused = listView->GetFocusedRow();
    if (focused < 0 || !listView->IsItemSelected(focused))
        return;
    clipboard.CopyText(owner != nullptr ? owner->controls.clipboard : nullptr, listView->GetItemText(focused, column));
}

void PhoneSMSListCtrl::BlacklistSelected()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    std::vector<std::u16string> numbers;
    if (listView == nullptr) {
        ReportTip({}, kSiteBlacklistNoView);
    } else {
        for (int row : listView->GetSelectedRows())
            numbers.push_back(listView->GetItemText(row, kColumnNumber));
    }
    if (owner == nullptr || owner->batch == nullptr) {
        ReportTip({}, kSiteBlacklistNoBatch);
        return;
    }
    for (const auto& number : numbers) {
        if (number.empty()) {
            ReportTip({}, kSiteBlacklistEmptyNumber);
            return;
        }
        owner->batch->MarkForBlacklist(number);
        RemoveRowByNumber(number);
    }
}

int PhoneSMSListCtrl::FindRow(const std::u16string& number)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    auto it = numberToRow.find(number);
    return it == numberToRow.end() ? -1 : it->second;
}

int PhoneSMSListCtrl::SortColumn()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    return sortColumn;
}

bool PhoneSMSListCtrl::SortAscending()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    return sortAscending;
}

} // namespace kh
