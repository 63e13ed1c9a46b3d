// The find bar over the album grid and the filter dialog.

#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/DlgFind.h"
#include "gui/MessageBox.h"

namespace {

class FindBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHook_ = SetMessageBoxHook(
            {[this](QWidget*, const QString& text, const QString&) { messages_.append(text); },
             {}});
        grid_.InitGrid(1, 1, 6, true);
        const QStringList names = {"apple", "Banana", "cherry", "banana split"};
        for (int i = 0; i < names.size(); ++i) {
            const int row = grid_.InsertRow();
            grid_.SetCellText(row, 0, QString::asprintf("%04d", row));
            grid_.SetItemData(row, 0, i);
            grid_.SetCellText(row, 1, names[i]);
        }
        bar_.SetGrid(&grid_);
    }
    void TearDown() override { SetMessageBoxHook(previousHook_); }

    template <typename T>
    T* Control(const char* name) {
        T* control = bar_.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    QList<int> SelectedRows() const {
        QList<int> rows;
        for (int row = grid_.GetNextSelectedRow(-1); row >= 0;
             row = grid_.GetNextSelectedRow(row)) {
            rows.append(row);
        }
        return rows;
    }

    CMyGridCtrl grid_;
    CDlgFind bar_;
    QStringList messages_;

private:
    MessageBoxHook previousHook_;
};

}  // namespace

TEST_F(FindBarTest, SearchesWrapAroundTheGrid) {
    struct Case {
        int selected;  // -1: nothing selected
        QString keyword;
        bool matchCase, wholeCell, next;
        int found;  // the selected row afterwards, -1 for none
        int messages;
    };
    const Case cases[] = {
        {-1, "banana", false, false, true, 2, 0},   // no selection: from the first album row
        {-1, "banana", false, false, false, 4, 0},  // no selection: from the last row
        {2, "banana", false, false, true, 4, 0},
        {4, "banana", false, false, true, 2, 0},   // wraps to the top
        {2, "banana", false, false, false, 4, 0},  // wraps to the bottom
        {1, "apple", false, false, true, 1, 0},    // the only match is the selected row
        {1, "apple", false, false, false, 1, 0},
        {3, "BANANA", false, false, true, 4, 0},  // case ignored unless the box is ticked
        {3, "BANANA", true, false, true, 3, 0},   // no match: the selection stays
        {2, "banana", false, true, true, 2, 0},   // whole cell: "banana split" is passed over
        {-1, "  ", false, false, true, -1, 1},    // spaces only: reported once
        {3, "  ", false, false, false, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword.toStdString() + " from " + std::to_string(c.selected));
        messages_.clear();
        if (c.selected < 0) {
            grid_.ClearSelection();
        } else {
            grid_.SelectRowAndScroll(c.selected);
        }
        Control<QLineEdit>("edit1639")->setText(c.keyword);
        Control<QCheckBox>("check1033")->setChecked(c.matchCase);
        Control<QCheckBox>("check1034")->setChecked(c.wholeCell);
        Control<QPushButton>(c.next ? "button1006" : "button1701")->click();
        EXPECT_EQ(SelectedRows(), c.found < 0 ? QList<int>() : QList<int>({c.found}));
        EXPECT_EQ(messages_.size(), c.messages);
    }
    EXPECT_EQ(messages_, QStringList({"关键字不能为空"}));
}

TEST_F(FindBarTest, ClosingTheBarEndsSingleRowSelection) {
    grid_.SetSingleRowSelection(true);
    bar_.show();
    Control<QPushButton>("button1699")->click();
    EXPECT_FALSE(bar_.isVisible());
    EXPECT_EQ(grid_.selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(FindBarTest, FilterModeAsksOnlyForTheKeyword) {
    bar_.SetFindMode(false);
    for (const char* name : {"check1033", "check1034", "button1701"}) {
        EXPECT_TRUE(Control<QWidget>(name)->isHidden()) << name;
    }
    EXPECT_EQ(Control<QPushButton>("button1006")->text(), "筛选");

    grid_.SetSingleRowSelection(true);
    bar_.show();
    Control<QLineEdit>("edit1639")->setText("  ban ana ");
    Control<QPushButton>("button1006")->click();
    EXPECT_EQ(bar_.result(), QDialog::Accepted);
    EXPECT_EQ(bar_.Keyword(), "ban ana");
    EXPECT_TRUE(SelectedRows().isEmpty());  // filtering searches nothing

    bar_.show();
    Control<QPushButton>("button1699")->click();
    EXPECT_EQ(bar_.result(), QDialog::Rejected);
    EXPECT_EQ(grid_.selectionMode(), QAbstractItemView::SingleSelection);

    bar_.SetFindMode(true);
    EXPECT_FALSE(Control<QWidget>("button1701")->isHidden());
    EXPECT_EQ(Control<QPushButton>("button1006")->text(), "下一个");
}

TEST_F(FindBarTest, LeftButtonDragsTheBar) {
    bar_.move(100, 100);
    bar_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar_));
    const QPoint start = bar_.pos();
    const QPoint local(2, 2);  // on the frame, outside every control
    const QPoint global = bar_.mapToGlobal(local);
    const QPoint delta(30, 20);

    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&bar_, &press);
    QMouseEvent move(QEvent::MouseMove, local + delta, global + delta, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&bar_, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + delta, global + delta, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar_, &release);
    EXPECT_EQ(bar_.pos(), start + delta);
}
