#pragma once
// The album grid of the main window. Two layouts: the list layout (one header row, then one row
// per album: number, name, picture count, remark and two hidden columns) and the preview layout
// (no header; every cell is one album with its cover thumbnail and caption).
//
// Rows are numbered with the fixed rows first: in the list layout row 0 is the header (shown as
// the table's horizontal header, so it stays in place while the rows scroll) and the albums start
// at row 1. Every public operation takes and returns rows in this numbering.

#include <QList>
#include <QPixmap>
#include <QString>
#include <QTableWidget>

#include <functional>

class CMyGridCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit CMyGridCtrl(QWidget* parent = nullptr);

    // Inner space between a cell's border and its content, on each side (pixels).
    static constexpr int kCellMargin = 2;

    // Sets up an empty grid: fixed rows (0 or 1: the header), total rows (fixed included),
    // columns, and whole-row selection (list mode) or cell selection. Clears the selection and
    // forgets the sort column.
    void InitGrid(int fixedRows, int rows, int columns, bool listMode);

    int FixedRowCount() const { return fixedRows_; }
    int RowCount() const { return fixedRows_ + rowCount(); }
    // Total rows, fixed included; fewer rows than fixed ones also drops the header.
    void SetRowCount(int rows);
    // Appends a data row with empty cells; returns its row.
    int InsertRow();

    void SetCellText(int row, int col, const QString& text);
    QString CellText(int row, int col) const;
    void SetItemData(int row, int col, int data);
    int ItemData(int row, int col) const;  // -1 when the cell holds none
    // Preview layout: the thumbnail is drawn above the cell's caption.
    void SetCellImage(int row, int col, const QPixmap& image);
    // Preview layout with many cells: the cell's thumbnail is asked of the source (by the cell's
    // item data) each time the cell is drawn, so only what is drawn needs to be decoded.
    using ThumbnailSource = std::function<QPixmap(int itemData)>;
    void SetThumbnailSource(ThumbnailSource source) { thumbnailSource_ = std::move(source); }
    void SetCellHasThumbnail(int row, int col);
    QPixmap ThumbnailOf(int itemData) const;
    void SetColumnWidth(int col, int px);  // 0 hides the column
    void SetRowHeight(int row, int px);

    // The first row after afterRow that has a selected cell; -1 when there is none.
    int GetNextSelectedRow(int afterRow) const;
    // The topmost row with a selected cell; RowCount() when nothing is selected.
    int SelectedTopRow() const;
    void SelectAllRows();
    void ClearSelection();
    // -1 selects every data cell; a row: that row alone, scrolled to the top of the view.
    void SelectRowAndScroll(int row);
    // Only one row at a time can be selected (while the find bar is open).
    void SetSingleRowSelection(bool single);

    // Searches the rows after (forward) or before startRow for a cell that contains or equals
    // the keyword; selects and shows the first match. An empty keyword is reported in a message
    // box and counts as found, so the caller does not search again.
    bool FindRow(int startRow, QString keyword, bool forward, bool ignoreCase, bool wholeCell);

    // Asks for a file name and writes the rows to it (ExportCsvTo).
    void ExportCsv();
    // Every row from row 1 on as one GBK line of comma-terminated cells, CR LF after each line.
    bool ExportCsvTo(const QString& path) const;

    // Album indices the user chose, in order: the list layout takes the item data of the first
    // cell of each row with a selected cell; the preview layout the item data of each selected
    // cell, row by row, when the cell stands within the first albumCount cells.
    QList<int> ChosenAlbums(int albumCount) const;

private:
    // Table row of a data row, or -1 for a fixed row or a row out of range.
    int TableRow(int row) const;
    QTableWidgetItem* Item(int row, int col) const;
    QTableWidgetItem* MakeItem(int row, int col);
    void FillRow(int tableRow);
    bool RowMatches(int row, const QString& keyword, bool ignoreCase, bool wholeCell) const;
    void OnHeaderClicked(int col);
    void Renumber();

    ThumbnailSource thumbnailSource_;
    int fixedRows_ = 0;
    bool listMode_ = true;
    int sortColumn_ = -1;
    bool sortAscending_ = true;
};
