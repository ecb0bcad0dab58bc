#pragma once
// The number list of the main window as the managers see it: a report-style table with grid lines,
// full-row and multiple selection, a focused row, a clickable header whose titles never change and
// a reordering by the order the core has worked out. The rows live in the view's own model. Only the user's
// header clicks (headerClicked) and right clicks (contextMenuWanted) reach the main window.

#include "core/ports/ListViewPort.h"

#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

namespace kh::ui {

class NumberListModel;

class GuiListView final : public QTableView, public ListViewPort
{
    Q_OBJECT

public:
    // The workers change the rows in bursts (a thousand SMS arriving together, each a few port
    // calls), and the GUI thread would repaint the list after each call. Changes made through the
    // port within this long of the last repaint are shown together when it has passed, so the list
    // is repainted at most this often for them; the user's own scrolling and selecting is not held.
    static constexpr int kRepaintIntervalMs = 16;

    explicit GuiListView(QWidget* parent = nullptr);

    int GetItemCount() override;
    int InsertItem(int position, const std::u16string& text) override;
    bool DeleteItem(int row) override;
    bool DeleteAllItems() override;
    std::u16string GetItemText(int row, int column) override;
    bool SetItemText(int row, int column, const std::u16string& text) override;
    std::vector<std::u16string> GetColumnTexts(int column) override;
    bool SetColumnTexts(int column, const std::vector<std::u16string>& texts) override;
    bool SetColumnTextsFrom(int column, int firstRow, const std::vector<std::u16string>& texts) override;
    intptr_t GetItemData(int row) override;
    bool SetItemData(int row, intptr_t data) override;
    bool IsItemSelected(int row) override;
    bool SetItemSelected(int row, bool selected) override;
    std::vector<int> GetSelectedRows() override;
    int GetFocusedRow() override;
    bool SetFocusedRow(int row) override;
    bool EnsureVisible(int row, bool partialOk) override;
    int InsertColumn(int index, const std::u16string& title, int width) override;
    int GetHeaderColumnCount() override;
    bool GetColumnTitle(int column, int maxChars, std::u16string& title) override;
    uint32_t GetExtendedStyle() override;
    void SetExtendedStyle(uint32_t style) override;
    bool ApplyOrder(const std::vector<int>& order) override;
    bool MoveItem(int from, int to) override;

    NumberListModel* Model() const { return rows; }
    // The column that takes the width the others leave (instead of the last one), once inserted.
    // GUI thread, before the columns are inserted.
    void SetStretchColumn(int column);

signals:
    void headerClicked(int column);
    void contextMenuWanted(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyExtendedStyle();
    // Called on the GUI thread before a port call changes the rows (see kRepaintIntervalMs).
    void PaceRepaints();

    NumberListModel* rows;
    uint32_t extendedStyle = 0;
    int stretchColumn = -1;
    QElapsedTimer sinceRepaint;
    QTimer repaintHold;
};

} // namespace kh::ui
