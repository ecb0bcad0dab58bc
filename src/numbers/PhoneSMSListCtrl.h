#pragma once
// The number list model: owns the main window's list view of rented numbers (number, SMS, code,
// home location) and keeps beside it an index from phone number to row and the last column sort.
// Number acquisition clears and fills it, SMS fetching writes cells and moves arriving rows up,
// the user's menu commands sort, copy and blacklist. It knows of the numbers only through the
// owner window's NumberBatch (whether a number has received its SMS, marking for blacklisting).
//
// Every operation holds the list's lock (re-entrant) for its whole run, including its calls to
// the list view, the batch and the clipboard. Lock order: SMSManager's lock may be held while
// this one is taken, and this one while the batch's is taken, never the other way round. The
// list view's port calls run on the GUI thread while the caller waits, which the thread rule of
// ports/UiExecutor.h makes safe: the GUI thread never takes this lock. A column sort compares the
// rows here, on the calling worker, and hands the view only the new order.

#include "base/Tip.h"
#include "core/Clipboard.h"
#include "platform/Sync.h"

#include <map>
#include <string>
#include <vector>

namespace kh {

struct OwnerWindow;
class ListViewPort;

enum ListColumn : int
{
    kColumnSerial = 0,
    kColumnNumber = 1,
    kColumnSms = 2,
    kColumnCode = 3,
    kColumnLocation = 4,
};

class PhoneSMSListCtrl final : public TipSource
{
public:
    PhoneSMSListCtrl(OwnerWindow* owner, TipCallback callback, void* context);
    PhoneSMSListCtrl(const PhoneSMSListCtrl&) = delete;
    PhoneSMSListCtrl& operator=(const PhoneSMSListCtrl&) = delete;

    // Attaches the list view, resets the index and sort state, sets the styles and the columns.
    void SetupList(ListViewPort* listView);
    // Deletes every row and empties the index; the sort state stays.
    void ClearList();
    // Appends a row for number with its serial, number and location cells.
    void AddRow(const std::u16string& number, const std::u16string& province, const std::u16string& city,
                const std::u16string& carrier);
    // Deletes the rows of numbers (numbers without a row are skipped) and renumbers the rest.
    void RemoveRows(const std::vector<std::u16string>& numbers);
    // Writes one cell of number's row; a number without a row is ignored silently.
    void SetCell(const std::u16string& number, int column, const std::u16string& text);
    // Moves number's row up to the topmost row that already received a message (or the top).
    void MoveRowUp(const std::u16string& number);

    // Sorts by a column (not the serial); a repeated click on the same column reverses the order.
    void SortByColumn(int column);
    // Copy the focused, selected row's number, SMS or code cell to the clipboard.
    void CopyNumber();
    void CopySms();
    void CopyCode();
    // Marks every selected number for blacklisting in the batch and removes its row.
    void BlacklistSelected();

    // The five cells of every row, top to bottom, read in one hold of the list's lock (so no sort
    // or move-up is seen half done); empty without a list view. For the list's export.
    std::vector<std::vector<std::u16string>> ReadRows();
    // The five column titles, in column order.
    static std::vector<std::u16string> ColumnTitles();

    // The row position of number, -1 when it has none. For callers that need to look a row up.
    int FindRow(const std::u16string& number);
    int SortColumn();
    bool SortAscending();

private:
    void ReindexRows();
    void RemoveRowByNumber(const std::u16string& number);
    void MoveRow(int from, int to);
    // The topmost row whose number has received its SMS (0 when none has); count is set to the
    // number of rows the list view had (-1 when it did not say).
    int FindFirstReceivedRow(int& count);
    void CopyColumn(int column, int noListSite);
    std::u16string ReadColumnTitle(int column);
    int CompareRows(intptr_t first, intptr_t second);
    int CompareIndex(intptr_t data);

    CriticalSection lock;
    OwnerWindow* owner;
    ListViewPort* listView = nullptr;
    std::map<std::u16string, int> numberToRow;
    // Each row's number from the top down ("" for a row added without one), kept beside the index
    // so the walk down the rows needs neither the view nor a pass over the whole index. It is
    // trusted only while its length matches the view's row count.
    std::vector<std::u16string> rowNumbers;
    // rowNumbers holds exactly the view's rows: set when the rows were emptied or read back from
    // the view, kept through every change that succeeded, dropped by one that failed or landed
    // elsewhere. Every change of the rows goes through this class.
    bool rowsExact = false;
    int sortColumn = -1;
    bool sortAscending = true;
    Clipboard clipboard;
    // While SortByColumn runs: the sorted column's texts as they stood when the sort began, by
    // original row position, and for the number column their values.
    std::vector<std::u16string> sortTexts;
    std::vector<long long> sortValues;
};

} // namespace kh
