// The album grid: layouts, header sorting, row search, CSV export and the chosen albums.

#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/MessageBox.h"
#include "gui/MyGridCtrl.h"

namespace {

// Collects the texts of the message boxes shown while it lives.
class MessageRecorder {
public:
    MessageRecorder() {
        previous_ = SetMessageBoxHook(
            {[this](QWidget*, const QString& text, const QString&) { texts.append(text); }, {}});
    }
    ~MessageRecorder() { SetMessageBoxHook(previous_); }
    QStringList texts;

private:
    MessageBoxHook previous_;
};

struct Album {
    QString name;
    QString count;
    QString hidden;  // text of the first hidden column
};

// The list layout as the main window builds it; album i gets row i + 1 with item data i.
void FillList(CMyGridCtrl& grid, const QList<Album>& albums) {
    grid.InitGrid(1, 1, 6, true);
    const QStringList headers = {"序号", "名称", "数量", "备注", "", ""};
    const int widths[] = {50, 575, 50, 100, 0, 0};
    for (int col = 0; col < 6; ++col) {
        grid.SetCellText(0, col, headers[col]);
        grid.SetColumnWidth(col, widths[col]);
    }
    for (int i = 0; i < albums.size(); ++i) {
        const int row = grid.InsertRow();
        grid.SetCellText(row, 0, QString::asprintf("%04d", row));
        grid.SetItemData(row, 0, i);
        grid.SetCellText(row, 1, albums[i].name);
        grid.SetCellText(row, 2, albums[i].count);
        grid.SetCellText(row, 4, albums[i].hidden);
    }
}

QStringList Column(const CMyGridCtrl& grid, int col) {
    QStringList texts;
    for (int row = grid.FixedRowCount(); row < grid.RowCount(); ++row) {
        texts.append(grid.CellText(row, col));
    }
    return texts;
}

QList<int> SelectedRows(const CMyGridCtrl& grid) {
    QList<int> rows;
    for (int row = grid.GetNextSelectedRow(-1); row >= 0; row = grid.GetNextSelectedRow(row)) {
        rows.append(row);
    }
    return rows;
}

void ClickHeader(CMyGridCtrl& grid, int col) {
    QHeaderView* header = grid.horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

TEST(GridTest, ListLayoutHasHeaderRowAndHiddenColumns) {
    CMyGridCtrl grid;
    FillList(grid, {});
    EXPECT_EQ(grid.objectName(), "grid1003");
    EXPECT_EQ(grid.FixedRowCount(), 1);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.columnCount(), 6);
    EXPECT_EQ(grid.CellText(0, 1), "名称");
    EXPECT_FALSE(grid.horizontalHeader()->isHidden());
    EXPECT_TRUE(grid.isColumnHidden(4));
    EXPECT_TRUE(grid.isColumnHidden(5));
    EXPECT_EQ(grid.columnWidth(1), 575);
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid.SelectedTopRow(), 1);  // nothing selected: the row count
    EXPECT_EQ(grid.InsertRow(), 1);
    EXPECT_EQ(grid.ItemData(1, 0), -1);
    grid.SetRowCount(1);  // drops every album row, keeps the header
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.CellText(0, 0), "序号");
}

TEST(GridTest, PreviewLayoutReplacesTheListLayout) {
    CMyGridCtrl grid;
    FillList(grid, {{"a", "1", ""}});
    grid.InitGrid(0, 0, 6, false);
    EXPECT_EQ(grid.FixedRowCount(), 0);
    EXPECT_EQ(grid.RowCount(), 0);
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
    EXPECT_FALSE(grid.isColumnHidden(4));
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectItems);
    EXPECT_EQ(grid.InsertRow(), 0);
    EXPECT_EQ(grid.CellText(0, 1), "");

    // A cell shows its thumbnail above its caption.
    QPixmap thumbnail(40, 30);
    thumbnail.fill(Qt::red);
    grid.SetCellImage(0, 1, thumbnail);
    grid.SetCellText(0, 1, "1.a");
    grid.SetColumnWidth(1, 60);
    grid.SetRowHeight(0, 70);
    grid.resize(600, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    const QImage image = grid.viewport()->grab().toImage();
    const QRect cell = grid.visualRect(grid.model()->index(0, 1));
    EXPECT_EQ(image.pixelColor(cell.center().x(), cell.top() + 15), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(cell.center().x(), cell.bottom() - 2), QColor(Qt::red));
}

TEST(GridTest, SelectedCellsArePaintedInTheSelectionColour) {
    CMyGridCtrl grid;
    FillList(grid, {{"a", "1", ""}, {"b", "2", ""}});
    grid.resize(900, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.SelectRowAndScroll(2);
    const QImage image = grid.viewport()->grab().toImage();
    const QRect cell = grid.visualRect(grid.model()->index(1, 3));  // the empty remark cell
    EXPECT_EQ(image.pixelColor(cell.center()), QColor(199, 227, 227));
    const QRect unselected = grid.visualRect(grid.model()->index(0, 3));
    EXPECT_EQ(image.pixelColor(unselected.center()), QColor(Qt::white));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        EXPECT_EQ(grid.palette().color(group, QPalette::Highlight), QColor(199, 227, 227));
        EXPECT_EQ(grid.palette().color(group, QPalette::HighlightedText), QColor(Qt::black));
    }
}

TEST(GridTest, HeaderClickSortsRowsAsTextAndRenumbers) {
    CMyGridCtrl grid;
    FillList(grid, {{"a", "9", ""}, {"B", "10", ""}, {"c", "2", ""}});
    grid.resize(900, 300);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.SelectRowAndScroll(1);  // album "a"

    ClickHeader(grid, 2);
    EXPECT_EQ(Column(grid, 2), QStringList({"10", "2", "9"}));
    EXPECT_EQ(Column(grid, 1), QStringList({"B", "c", "a"}));
    EXPECT_EQ(Column(grid, 0), QStringList({"0001", "0002", "0003"}));
    EXPECT_EQ(grid.ItemData(1, 0), 1);
    EXPECT_EQ(grid.ItemData(3, 0), 0);
    EXPECT_EQ(SelectedRows(grid), QList<int>({3}));  // the selection stays with its album

    ClickHeader(grid, 2);
    EXPECT_EQ(Column(grid, 1), QStringList({"a", "c", "B"}));
    EXPECT_EQ(grid.ItemData(1, 0), 0);

    grid.SetCellText(2, 0, "x");
    ClickHeader(grid, 0);
    EXPECT_EQ(Column(grid, 1), QStringList({"a", "c", "B"}));
    EXPECT_EQ(Column(grid, 0), QStringList({"0001", "0002", "0003"}));
    EXPECT_EQ(SelectedRows(grid), QList<int>({1}));  // no column was selected by the clicks

    ClickHeader(grid, 1);  // code units: capitals before small letters
    EXPECT_EQ(Column(grid, 1), QStringList({"B", "a", "c"}));
}

TEST(GridTest, FindRowSearchesCellsInEitherDirection) {
    struct Case {
        int start;
        QString keyword;
        bool forward, ignoreCase, wholeCell;
        bool found;
        int selected;  // the selected row afterwards; row 2 stays selected when nothing is found
    };
    const Case cases[] = {
        {3, "alpha", true, true, false, false, 2},    // forward from the last row: nothing
        {0, "alpha", true, false, false, true, 3},    // case kept: "Alpha" does not match
        {0, "ALPHA", true, true, false, true, 1},     // case ignored
        {0, "alpha", true, true, true, true, 1},      // whole cell, case ignored
        {1, "alpha", true, false, true, false, 2},    // "alphabet" only contains it
        {0, "0002", true, true, false, true, 2},      // the number column
        {0, "secret", true, true, false, true, 1},    // a hidden column
        {4, "alpha", false, true, false, true, 3},    // backward from below the last row
        {2, "alpha", false, false, false, false, 2},  // backward: "Alpha" differs in case
        {1, "名称", false, true, false, false, 2},    // backward never reaches the header
    };
    CMyGridCtrl grid;
    FillList(grid, {{"Alpha", "10", "secret"}, {"beta", "3", ""}, {"alphabet", "7", ""}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword.toStdString() + " from " + std::to_string(c.start));
        grid.SelectRowAndScroll(2);
        EXPECT_EQ(grid.FindRow(c.start, c.keyword, c.forward, c.ignoreCase, c.wholeCell), c.found);
        EXPECT_EQ(SelectedRows(grid), QList<int>({c.selected}));
    }
}

TEST(GridTest, EmptyKeywordIsReportedOnceAndCountsAsFound) {
    CMyGridCtrl grid;
    FillList(grid, {{"a", "1", ""}, {"b", "2", ""}});
    grid.SelectRowAndScroll(2);
    MessageRecorder messages;
    EXPECT_TRUE(grid.FindRow(0, "", true, true, false));
    EXPECT_EQ(messages.texts, QStringList({"关键字不能为空"}));
    EXPECT_EQ(SelectedRows(grid), QList<int>({2}));
}

TEST(GridTest, FoundRowBecomesTheFirstVisibleRow) {
    CMyGridCtrl grid;
    QList<Album> albums;
    for (int i = 1; i <= 200; ++i) {
        albums.append({QStringLiteral("album%1").arg(i), "1", ""});
    }
    FillList(grid, albums);
    grid.resize(500, 300);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    const auto firstVisibleRow = [&grid] { return grid.rowAt(0) + grid.FixedRowCount(); };

    ASSERT_TRUE(grid.FindRow(0, "album150", true, true, true));
    EXPECT_EQ(firstVisibleRow(), 150);

    // At the end of the range, a row already in view does not move the view...
    QScrollBar* bar = grid.verticalScrollBar();
    bar->setValue(bar->maximum());
    ASSERT_TRUE(grid.FindRow(0, "album199", true, true, true));
    EXPECT_EQ(bar->value(), bar->maximum());
    // ...but a row above the view is brought to the top.
    ASSERT_TRUE(grid.FindRow(grid.RowCount(), "album5", false, true, true));
    EXPECT_EQ(firstVisibleRow(), 5);
}

TEST(GridTest, ExportWritesGbkLinesFromTheSecondRow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("albums.csv");

    CMyGridCtrl grid;
    FillList(grid, {});
    ASSERT_TRUE(grid.ExportCsvTo(path));
    EXPECT_EQ(ReadFile(path), QByteArray());  // the header row alone writes nothing

    FillList(grid, {{"相册a,b", "it's", "say \"hi\""}, {"", "", ""}});
    ASSERT_TRUE(grid.ExportCsvTo(path));
    EXPECT_EQ(ReadFile(path), QByteArray("0001,\xCF\xE0\xB2\xE1"
                                         "a','b,its,,say \"\"hi\"\",,\r\n"
                                         "0002,,,,,,\r\n"));

    grid.InitGrid(0, 0, 2, false);
    grid.InsertRow();
    grid.InsertRow();
    grid.SetCellText(0, 0, "1.a");
    grid.SetCellText(1, 0, "3.c");
    ASSERT_TRUE(grid.ExportCsvTo(path));
    EXPECT_EQ(ReadFile(path), QByteArray("3.c,,\r\n"));  // the first row of cells is skipped

    EXPECT_FALSE(grid.ExportCsvTo(dir.filePath("missing/albums.csv")));
}

TEST(GridTest, ChosenAlbumsInListLayoutFollowSelectedRows) {
    CMyGridCtrl grid;
    FillList(grid, {{"a", "", ""}, {"b", "", ""}, {"c", "", ""}, {"d", "", ""}});
    const int data[] = {2, 0, 5, 1};  // 5 lies outside a list of three albums
    for (int row = 1; row <= 4; ++row) {
        grid.SetItemData(row, 0, data[row - 1]);
    }
    for (int row : {4, 1, 3}) {
        grid.selectionModel()->select(grid.model()->index(row - 1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    EXPECT_EQ(grid.ChosenAlbums(3), QList<int>({2, 1}));
    grid.SelectAllRows();
    EXPECT_EQ(grid.ChosenAlbums(3), QList<int>({2, 0, 1}));
    grid.ClearSelection();
    EXPECT_EQ(grid.ChosenAlbums(3), QList<int>());
}

TEST(GridTest, ChosenAlbumsInPreviewLayoutFollowSelectedCells) {
    CMyGridCtrl grid;
    grid.InitGrid(0, 0, 3, false);
    grid.InsertRow();
    grid.InsertRow();
    for (int album = 0; album < 5; ++album) {  // the sixth cell stays empty
        grid.SetItemData(album / 3, album % 3, album);
    }
    for (auto [row, col] : {std::pair{1, 2}, {1, 1}, {0, 2}, {0, 0}}) {
        grid.selectionModel()->select(grid.model()->index(row, col), QItemSelectionModel::Select);
    }
    EXPECT_EQ(grid.ChosenAlbums(5), QList<int>({0, 2, 4}));
    EXPECT_EQ(grid.ChosenAlbums(4), QList<int>({0, 2}));
}
