#include "gui/MyGridCtrl.h"

#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "gui/MessageBox.h"

namespace {

// A read-only cell that sorts by its text compared as plain UTF-16 code units ("10" < "9").
class GridItem : public QTableWidgetItem {
public:
    GridItem() { setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled); }
    QTableWidgetItem* clone() const override { return new GridItem(*this); }
    bool operator<(const QTableWidgetItem& other) const override {
        return QString::compare(text(), other.text(), Qt::CaseSensitive) < 0;
    }
};

// Whether a cell's thumbnail comes from the grid's thumbnail source.
constexpr int kThumbnailRole = Qt::UserRole + 1;

// Draws no focus frame; a cell with a thumbnail shows it above its caption.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(CMyGridCtrl* grid) : QStyledItemDelegate(grid), grid_(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        if (index.data(kThumbnailRole).toBool()) {
            const QPixmap thumbnail = grid_->ThumbnailOf(index.data(Qt::UserRole).toInt());
            if (!thumbnail.isNull()) {
                option->features |= QStyleOptionViewItem::HasDecoration;
                option->icon = QIcon(thumbnail);
                option->decorationSize = thumbnail.size();
            }
        }
        if (option->features & QStyleOptionViewItem::HasDecoration) {
            option->decorationPosition = QStyleOptionViewItem::Top;
            option->decorationAlignment = Qt::AlignHCenter | Qt::AlignTop;
            option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        }
    }

private:
    CMyGridCtrl* grid_;
};

}  // namespace

CMyGridCtrl::CMyGridCtrl(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("grid1003"));
    setItemPrototype(new GridItem);
    setItemDelegate(new GridDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setCornerButtonEnabled(false);
    setWordWrap(false);  // a long name is cut with an ellipsis, on one line
    verticalHeader()->hide();

    // A header click sorts and renumbers; it never selects the column.
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    disconnect(header, SIGNAL(sectionPressed(int)), this, nullptr);
    disconnect(header, SIGNAL(sectionEntered(int)), this, nullptr);
    connect(header, &QHeaderView::sectionClicked, this, &CMyGridCtrl::OnHeaderClicked);

    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight, QColor(199, 227, 227));
        colours.setColor(group, QPalette::HighlightedText, Qt::black);
        colours.setColor(group, QPalette::Base, Qt::white);
    }
    setPalette(colours);
}

void CMyGridCtrl::InitGrid(int fixedRows, int rows, int columns, bool listMode) {
    clear();
    setRowCount(0);
    setColumnCount(0);
    // The horizontal header stands for the fixed row, so there is at most one.
    fixedRows_ = std::clamp(fixedRows, 0, 1);
    horizontalHeader()->setVisible(fixedRows_ > 0);
    setColumnCount(std::max(columns, 0));
    for (int col = 0; col < columnCount(); ++col) {
        setColumnHidden(col, false);
        setColumnWidth(col, horizontalHeader()->defaultSectionSize());
        if (fixedRows_ > 0) {
            setHorizontalHeaderItem(col, new QTableWidgetItem);
        }
    }
    SetRowCount(rows);

    listMode_ = listMode;
    setSelectionBehavior(listMode ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    selectionModel()->clear();
    sortColumn_ = -1;
    sortAscending_ = true;
}

void CMyGridCtrl::SetRowCount(int rows) {
    rows = std::max(rows, 0);
    if (rows < fixedRows_) {
        fixedRows_ = rows;
        horizontalHeader()->setVisible(false);
    }
    const int before = rowCount();
    setRowCount(rows - fixedRows_);
    for (int tableRow = before; tableRow < rowCount(); ++tableRow) {
        FillRow(tableRow);
    }
}

int CMyGridCtrl::InsertRow() {
    const int tableRow = rowCount();
    insertRow(tableRow);
    FillRow(tableRow);
    return tableRow + fixedRows_;
}

void CMyGridCtrl::FillRow(int tableRow) {
    // Every cell holds an item, so empty cells sort as empty text rather than last.
    for (int col = 0; col < columnCount(); ++col) {
        if (item(tableRow, col) == nullptr) {
            setItem(tableRow, col, new GridItem);
        }
    }
}

int CMyGridCtrl::TableRow(int row) const {
    return row >= fixedRows_ && row < RowCount() ? row - fixedRows_ : -1;
}

QTableWidgetItem* CMyGridCtrl::Item(int row, int col) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= columnCount()) {
        return nullptr;
    }
    return row < fixedRows_ ? horizontalHeaderItem(col) : item(row - fixedRows_, col);
}

QTableWidgetItem* CMyGridCtrl::MakeItem(int row, int col) {
    if (QTableWidgetItem* existing = Item(row, col)) {
        return existing;
    }
    if (row < 0 || row >= RowCount() || col < 0 || col >= columnCount()) {
        return nullptr;
    }
    if (row < fixedRows_) {
        setHorizontalHeaderItem(col, new QTableWidgetItem);
        return horizontalHeaderItem(col);
    }
    setItem(row - fixedRows_, col, new GridItem);
    return item(row - fixedRows_, col);
}

void CMyGridCtrl::SetCellText(int row, int col, const QString& text) {
    if (QTableWidgetItem* cell = MakeItem(row, col)) {
        cell->setText(text);
    }
}

QString CMyGridCtrl::CellText(int row, int col) const {
    const QTableWidgetItem* cell = Item(row, col);
    return cell != nullptr ? cell->text() : QString();
}

void CMyGridCtrl::SetItemData(int row, int col, int data) {
    if (QTableWidgetItem* cell = MakeItem(row, col)) {
        cell->setData(Qt::UserRole, data);
    }
}

int CMyGridCtrl::ItemData(int row, int col) const {
    const QTableWidgetItem* cell = Item(row, col);
    if (cell == nullptr) {
        return -1;
    }
    const QVariant data = cell->data(Qt::UserRole);
    return data.isValid() ? data.toInt() : -1;
}

void CMyGridCtrl::SetCellImage(int row, int col, const QPixmap& image) {
    if (QTableWidgetItem* cell = MakeItem(row, col)) {
        cell->setData(Qt::DecorationRole, image);
    }
}

void CMyGridCtrl::SetCellHasThumbnail(int row, int col) {
    if (QTableWidgetItem* cell = MakeItem(row, col)) {
        cell->setData(kThumbnailRole, true);
    }
}

QPixmap CMyGridCtrl::ThumbnailOf(int itemData) const {
    return thumbnailSource_ ? thumbnailSource_(itemData) : QPixmap();
}

void CMyGridCtrl::SetColumnWidth(int col, int px) {
    if (col < 0 || col >= columnCount()) {
        return;
    }
    setColumnHidden(col, px <= 0);
    if (px > 0) {
        setColumnWidth(col, px);
    }
}

void CMyGridCtrl::SetRowHeight(int row, int px) {
    const int tableRow = TableRow(row);
    if (tableRow >= 0 && px > 0) {
        setRowHeight(tableRow, px);
    }
}

int CMyGridCtrl::GetNextSelectedRow(int afterRow) const {
    const int first = std::max(afterRow + 1, fixedRows_) - fixedRows_;
    int best = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (!range.isValid() || range.bottom() < first) {
            continue;
        }
        const int top = std::max(range.top(), first);
        if (best < 0 || top < best) {
            best = top;
        }
    }
    return best < 0 ? -1 : best + fixedRows_;
}

int CMyGridCtrl::SelectedTopRow() const {
    const int row = GetNextSelectedRow(-1);
    return row < 0 ? RowCount() : row;
}

void CMyGridCtrl::SelectAllRows() {
    if (rowCount() == 0 || columnCount() == 0) {
        return;
    }
    // Also while single-row selection is on: the select-all box means every album.
    const QItemSelection all(model()->index(0, 0),
                             model()->index(rowCount() - 1, columnCount() - 1));
    selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void CMyGridCtrl::ClearSelection() {
    selectionModel()->clearSelection();
}

void CMyGridCtrl::SelectRowAndScroll(int row) {
    if (row == -1) {
        if (selectionMode() != QAbstractItemView::NoSelection) {
            SelectAllRows();
        }
        return;
    }
    selectionModel()->clear();
    const int tableRow = TableRow(row);
    if (tableRow < 0 || columnCount() == 0) {
        return;
    }
    const QModelIndex first = model()->index(tableRow, 0);
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(first, model()->index(tableRow, columnCount() - 1)),
                             QItemSelectionModel::Select);
    // The row goes to the top of the view (as far as the range allows, so a match above the
    // view is shown even when the view stands at the end). Only the vertical position moves.
    const int horizontal = horizontalScrollBar()->value();
    scrollTo(first, QAbstractItemView::PositionAtTop);
    horizontalScrollBar()->setValue(horizontal);
}

void CMyGridCtrl::SetSingleRowSelection(bool single) {
    setSelectionMode(single ? QAbstractItemView::SingleSelection
                            : QAbstractItemView::ExtendedSelection);
}

void CMyGridCtrl::OnHeaderClicked(int col) {
    if (col < 0 || col >= columnCount()) {
        return;
    }
    if (col != 0) {
        if (col == sortColumn_) {
            sortAscending_ = !sortAscending_;
        } else {
            sortColumn_ = col;
            sortAscending_ = true;
        }
        // Whole rows move (their cells, item data and selection); the sort is stable.
        sortItems(col, sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    Renumber();
    viewport()->update();
}

void CMyGridCtrl::Renumber() {
    if (columnCount() == 0) {
        return;
    }
    for (int tableRow = 0; tableRow < rowCount(); ++tableRow) {
        SetCellText(tableRow + fixedRows_, 0, QString::asprintf("%04d", tableRow + 1));
    }
}

bool CMyGridCtrl::FindRow(int startRow, QString keyword, bool forward, bool ignoreCase,
                          bool wholeCell) {
    if (keyword.isEmpty()) {
        ShowMessageBox(this, QStringLiteral("关键字不能为空"));
        return true;
    }
    if (ignoreCase) {
        keyword = keyword.toLower();
    }
    // Forward runs to the last row; backward stops at the first data row.
    int found = -1;
    if (forward) {
        for (int row = std::max(startRow + 1, 0); row < RowCount() && found < 0; ++row) {
            found = RowMatches(row, keyword, ignoreCase, wholeCell) ? row : -1;
        }
    } else {
        for (int row = std::min(startRow - 1, RowCount() - 1); row >= fixedRows_ && found < 0;
             --row) {
            found = RowMatches(row, keyword, ignoreCase, wholeCell) ? row : -1;
        }
    }
    if (found < 0) {
        return false;
    }
    SelectRowAndScroll(found);
    return true;
}

bool CMyGridCtrl::RowMatches(int row, const QString& keyword, bool ignoreCase,
                             bool wholeCell) const {
    for (int col = 0; col < columnCount(); ++col) {  // hidden columns too
        const QString text = ignoreCase ? CellText(row, col).toLower() : CellText(row, col);
        if (wholeCell ? text == keyword : text.contains(keyword)) {
            return true;
        }
    }
    return false;
}

QList<int> CMyGridCtrl::ChosenAlbums(int albumCount) const {
    QList<int> albums;
    // An index outside the album list (a cell without item data) is never taken.
    const auto isAlbum = [albumCount](int index) { return index >= 0 && index < albumCount; };
    if (listMode_) {
        for (int row = GetNextSelectedRow(-1); row >= 0; row = GetNextSelectedRow(row)) {
            if (isAlbum(ItemData(row, 0))) {
                albums.append(ItemData(row, 0));
            }
        }
        return albums;
    }
    QModelIndexList cells = selectionModel()->selectedIndexes();
    std::sort(cells.begin(), cells.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    for (const QModelIndex& cell : cells) {
        const int row = cell.row() + fixedRows_;
        const int position = row * columnCount() + cell.column();
        const int index = ItemData(row, cell.column());
        if (position < albumCount && isAlbum(index)) {
            albums.append(index);
        }
    }
    return albums;
}
