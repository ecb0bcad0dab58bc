#include "ui/qt/GuiListView.h"

#include "ui/qt/GuiThread.h"
#include "ui/qt/NumberListModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace kh::ui {

GuiListView::GuiListView(QWidget* parent) : QTableView(parent), rows(new NumberListModel(this))
{
    setModel(rows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Rows as high as the font with a small margin, not the style's roomier default: a list of a
    // hundred numbers shows as many of them as it can.
    int rowHeight = fontMetrics().height() + 6;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    connect(header, &QHeaderView::sectionClicked, this, &GuiListView::headerClicked);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { emit contextMenuWanted(viewport()->mapToGlobal(position)); });
    ApplyExtendedStyle();
    repaintHold.setSingleShot(true);
    connect(&repaintHold, &QTimer::timeout, this, [this] {
        sinceRepaint.restart();
        // Enabling updates again repaints the whole viewport: everything held since.
        viewport()->setUpdatesEnabled(true);
    });
}

void GuiListView::PaceRepaints()
{
    if (repaintHold.isActive())
        return;
    if (!sinceRepaint.isValid() || sinceRepaint.elapsed() >= kRepaintIntervalMs) {
        sinceRepaint.restart();
        return;
    }
    viewport()->setUpdatesEnabled(false);
    repaintHold.start(kRepaintIntervalMs - static_cast<int>(sinceRepaint.elapsed()));
}

void GuiListView::ApplyExtendedStyle()
{
    setShowGrid((extendedStyle & kListExGridLines) != 0);
    setSelectionBehavior((extendedStyle & kListExFullRowSelect) != 0 ? QAbstractItemView::SelectRows
                                                                     : QAbstractItemView::SelectItems);
}

int GuiListView::GetItemCount()
{
    return OnGuiThread([&] { return rows->rowCount(); }, -1);
}

int GuiListView::InsertItem(int position, const std::u16string& text)
{
    if (position < 0)
        return -1;
    return OnGuiThread(
        [&] {
            PaceRepaints();
            return rows->InsertRow(position, QString::fromStdU16String(text));
        },
        -1);
}

bool GuiListView::DeleteItem(int row)
{
    return OnGuiThread([&] {
        PaceRepaints();
        return rows->RemoveRow(row);
    });
}

bool GuiListView::DeleteAllItems()
{
    return OnGuiThread([&] {
        PaceRepaints();
        rows->RemoveAll();
        return true;
    });
}

std::u16string GuiListView::GetItemText(int row, int column)
{
    return OnGuiThread([&] { return rows->Text(row, column).toStdU16String(); });
}

bool GuiListView::SetItemText(int row, int column, const std::u16string& text)
{
    return OnGuiThread([&] {
        PaceRepaints();
        return rows->SetText(row, column, QString::fromStdU16String(text));
    });
}

std::vector<std::u16string> GuiListView::GetColumnTexts(int column)
{
    return OnGuiThread([&] {
        std::vector<std::u16string> texts;
        int count = rows->rowCount();
        texts.reserve(static_cast<size_t>(count));
        for (int row = 0; row < count; ++row)
            texts.push_back(rows->Text(row, column).toStdU16String());
        return texts;
    });
}

namespace {

// Texts for a column call, converted on the calling worker, so the GUI thread only compares and
// stores.
QStringList Converted(const std::vector<std::u16string>& texts)
{
    QStringList converted;
    converted.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::u16string& text : texts)
        converted.append(QString::fromStdU16String(text));
    return converted;
}

} // namespace

bool GuiListView::SetColumnTexts(int column, const std::vector<std::u16string>& texts)
{
    QStringList converted = Converted(texts);
    return OnGuiThread([&] {
        PaceRepaints();
        return rows->SetColumn(column, converted);
    });
}

bool GuiListView::SetColumnTextsFrom(int column, int firstRow, const std::vector<std::u16string>& texts)
{
    QStringList converted = Converted(texts);
    return OnGuiThread([&] {
        PaceRepaints();
        return rows->SetColumnFrom(column, firstRow, converted);
    });
}

intptr_t GuiListView::GetItemData(int row)
{
    return OnGuiThread([&] { return rows->Data(row); }, intptr_t(0));
}

bool GuiListView::SetItemData(int row, intptr_t data)
{
    return OnGuiThread([&] { return rows->SetData(row, data); });
}

bool GuiListView::IsItemSelected(int row)
{
    return OnGuiThread([&] { return row >= 0 && selectionModel()->isRowSelected(row, QModelIndex()); });
}

bool GuiListView::SetItemSelected(int row, bool selected)
{
    return OnGuiThread([&] {
        if (row < 0 || row >= rows->rowCount())
            return false;
        auto command =
            (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows;
        selectionModel()->select(rows->index(row, 0), command);
        return true;
    });
}

std::vector<int> GuiListView::GetSelectedRows()
{
    return OnGuiThread([&] {
        std::vector<int> selected;
        int count = rows->rowCount();
        for (int row = 0; row < count; ++row) {
            if (selectionModel()->isRowSelected(row, QModelIndex()))
                selected.push_back(row);
        }
        return selected;
    });
}

int GuiListView::GetFocusedRow()
{
    return OnGuiThread(
        [&] {
            QModelIndex current = selectionModel()->currentIndex();
            return current.isValid() ? current.row() : -1;
        },
        -1);
}

bool GuiListView::SetFocusedRow(int row)
{
    return OnGuiThread([&] {
        if (row == -1) {
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            return true;
        }
        if (row < 0 || row >= rows->rowCount())
            return false;
        selectionModel()->setCurrentIndex(rows->index(row, 0), QItemSelectionModel::NoUpdate);
        return true;
    });
}

bool GuiListView::EnsureVisible(int row, bool)
{
    return OnGuiThread([&] {
        if (row < 0 || row >= rows->rowCount())
            return false;
        scrollTo(rows->index(row, 0), QAbstractItemView::EnsureVisible);
        return true;
    });
}

int GuiListView::InsertColumn(int index, const std::u16string& title, int width)
{
    if (index < 0)
        return -1;
    return OnGuiThread(
        [&] {
            int column = rows->InsertColumn(index, QString::fromStdU16String(title));
            // Widths are given for the standard font size; they grow with the font so that the
            // texts fit as they do there (the scale of the screen is Qt's own business).
            horizontalHeader()->resizeSection(column, width * fontMetrics().height() / 13);
            if (stretchColumn >= 0 && column == stretchColumn) {
                horizontalHeader()->setStretchLastSection(false);
                horizontalHeader()->setSectionResizeMode(column, QHeaderView::Stretch);
            }
            return column;
        },
        -1);
}

bool GuiListView::MoveItem(int from, int to)
{
    return OnGuiThread([&] {
        PaceRepaints();
        bool focused = currentIndex().isValid() && currentIndex().row() == from;
        // The selected rows, taken before the move: the model moves persistent indexes one by one,
        // which would stretch or shrink a selected range the row leaves or joins.
        QList<int> selected;
        for (const QItemSelectionRange& range : selectionModel()->selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row)
                selected.append(row);
        }
        if (!rows->MoveRow(from, to))
            return false;
        if (!selected.isEmpty() && rows->columnCount() > 0) {
            for (int& row : selected)
                row = NumberListModel::RowAfterMove(row, from, to);
            std::sort(selected.begin(), selected.end());
            // One range per run of adjacent rows.
            QItemSelection moved;
            int last = rows->columnCount() - 1;
            for (qsizetype i = 0; i < selected.size();) {
                qsizetype end = i + 1;
                while (end < selected.size() && selected[end] <= selected[end - 1] + 1)
                    ++end;
                moved.append(QItemSelectionRange(rows->index(selected[i], 0), rows->index(selected[end - 1], last)));
                i = end;
            }
            selectionModel()->select(moved, QItemSelectionModel::ClearAndSelect);
            if (selectionModel()->isRowSelected(to, QModelIndex()))
                scrollTo(rows->index(to, 0), QAbstractItemView::EnsureVisible);
        }
        // The focus stays behind, as with a row moved by insert and delete.
        if (focused)
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return true;
    });
}

void GuiListView::SetStretchColumn(int column)
{
    stretchColumn = column;
}

void GuiListView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    // An empty list draws no current row, so the keyboard focus would not show anywhere.
    if (!hasFocus() || rows->rowCount() > 0)
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void GuiListView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void GuiListView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

int GuiListView::GetHeaderColumnCount()
{
    return OnGuiThread([&] { return rows->columnCount(); }, -1);
}

bool GuiListView::GetColumnTitle(int column, int maxChars, std::u16string& title)
{
    title.clear();
    if (column < 0 || maxChars < 0)
        return false;
    return OnGuiThread([&] {
        if (column >= rows->columnCount())
            return false;
        title = rows->Title(column).left(maxChars).toStdU16String();
        return true;
    });
}

uint32_t GuiListView::GetExtendedStyle()
{
    return OnGuiThread([&] { return extendedStyle; }, uint32_t(0));
}

void GuiListView::SetExtendedStyle(uint32_t style)
{
    OnGuiThread([&] {
        extendedStyle = style;
        ApplyExtendedStyle();
    });
}

bool GuiListView::ApplyOrder(const std::vector<int>& order)
{
    return OnGuiThread([&] {
        // Only a permutation of the rows is taken.
        size_t count = static_cast<size_t>(rows->rowCount());
        if (order.size() != count)
            return false;
        std::vector<bool> seen(count, false);
        for (int from : order) {
            if (from < 0 || static_cast<size_t>(from) >= count || seen[static_cast<size_t>(from)])
                return false;
            seen[static_cast<size_t>(from)] = true;
        }
        rows->Reorder(order);
        return true;
    });
}

} // namespace kh::ui
