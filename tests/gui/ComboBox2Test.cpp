// The history box: filtering while typing, the full history on drop-down, keeping the typed
// text, and typing on while the list is open.

#include <QAbstractItemView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/ComboBox2.h"

// Readable texts in failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

QStringList Entries(const QComboBox& box) {
    QStringList entries;
    for (int i = 0; i < box.count(); ++i) {
        entries.append(box.itemText(i));
    }
    return entries;
}

class ComboBox2Test : public ::testing::Test {
protected:
    void SetUp() override {
        box.resize(300, 30);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    }
    void Fill(const QStringList& history) {
        for (const QString& text : history) {
            box.AddHistory(text);
        }
    }
    bool ListOpen() { return box.view()->isVisible(); }

    CComboBox2 box;
};

TEST_F(ComboBox2Test, TypingFiltersHistoryLowerCasedAndCutAtMarker) {
    struct Case {
        QString typed;
        QStringList expected;
    };
    const QStringList history = {"xabc", "Abd", "zzz", "http://Host.cn/ABkzt?!oxffSecret",
                                 "kzt?!oxffab"};
    const Case cases[] = {
        {"AB", {"xabc", "abd", "http://host.cn/ab", ""}},
        {"abd", {"abd"}},
        {"SECRET", {"http://host.cn/ab"}},  // matched on the whole text, shown cut
        {"host", {"http://host.cn/ab"}},
    };
    Fill(history);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        box.lineEdit()->clear();
        QTest::keyClicks(box.lineEdit(), c.typed);
        EXPECT_EQ(Entries(box), c.expected);
        EXPECT_TRUE(ListOpen());
        EXPECT_EQ(box.lineEdit()->text(), c.typed);
        EXPECT_EQ(box.lineEdit()->cursorPosition(), c.typed.size());
        box.hidePopup();
    }
    EXPECT_EQ(box.History(), history);
}

TEST_F(ComboBox2Test, NoMatchClosesListAndKeepsText) {
    Fill({"xabc", "Abd"});
    QTest::keyClicks(box.lineEdit(), "AB");
    ASSERT_TRUE(ListOpen());
    QTest::keyClicks(box.lineEdit(), "Q");
    EXPECT_FALSE(ListOpen());
    EXPECT_TRUE(Entries(box).isEmpty());
    EXPECT_EQ(box.lineEdit()->text(), "ABQ");
}

TEST_F(ComboBox2Test, EmptyEditClosesList) {
    Fill({"xabc", "Abd"});
    QTest::keyClick(box.lineEdit(), Qt::Key_A);
    ASSERT_TRUE(ListOpen());
    QTest::keyClick(box.lineEdit(), Qt::Key_Backspace);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(box.lineEdit()->text(), "");
}

TEST_F(ComboBox2Test, CaretStaysWhereTheUserTyped) {
    Fill({"xabc"});
    QTest::keyClicks(box.lineEdit(), "ac");
    box.lineEdit()->setCursorPosition(1);
    QTest::keyClick(box.lineEdit(), Qt::Key_B);  // "abc", caret after the b
    EXPECT_EQ(Entries(box), QStringList{"xabc"});
    EXPECT_EQ(box.lineEdit()->text(), "abc");
    EXPECT_EQ(box.lineEdit()->cursorPosition(), 2);
}

TEST_F(ComboBox2Test, DropDownShowsWholeHistoryUnchanged) {
    const QStringList history = {"xabc", "Abd", "Abd", "a.cn/pkzt?!oxffhidden"};
    Fill(history);
    QTest::keyClicks(box.lineEdit(), "AB");
    box.hidePopup();
    box.showPopup();
    EXPECT_TRUE(ListOpen());
    EXPECT_EQ(Entries(box), history);
    EXPECT_EQ(box.lineEdit()->text(), "AB");
    EXPECT_EQ(box.currentIndex(), -1);
}

TEST_F(ComboBox2Test, ListLeftWithoutChoiceIsEmptiedTextKept) {
    Fill({"xabc", "Abd"});
    QTest::keyClicks(box.lineEdit(), "AB");
    ASSERT_TRUE(ListOpen());
    QTest::keyClick(box.view(), Qt::Key_Escape);
    EXPECT_FALSE(ListOpen());
    QCoreApplication::processEvents();
    EXPECT_TRUE(Entries(box).isEmpty());
    EXPECT_EQ(box.lineEdit()->text(), "AB");
}

TEST_F(ComboBox2Test, PickingAnEntryPutsItIntoTheEditAndTellsTheOwner) {
    Fill({"xabc", "Abd"});
    QSignalSpy picked(&box, &QComboBox::textActivated);
    QTest::keyClicks(box.lineEdit(), "AB");
    ASSERT_TRUE(ListOpen());
    box.view()->setCurrentIndex(box.model()->index(1, 0));
    QTest::keyClick(box.view(), Qt::Key_Return);
    EXPECT_FALSE(ListOpen());
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).toString(), "abd");
    EXPECT_EQ(box.lineEdit()->text(), "abd");
    QCoreApplication::processEvents();
    EXPECT_EQ(Entries(box), (QStringList{"xabc", "abd"}));  // a choice keeps the list
}

TEST_F(ComboBox2Test, EditChangesReachTheOwnerWithTheTypedText) {
    Fill({"xabc", "Abd"});
    QSignalSpy changed(&box, &CComboBox2::EditChanged);
    QSignalSpy editText(&box, &QComboBox::editTextChanged);
    QTest::keyClicks(box.lineEdit(), "AB");
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).toString(), "AB");
    ASSERT_FALSE(editText.isEmpty());
    EXPECT_EQ(editText.last().at(0).toString(), "AB");
    for (const QList<QVariant>& call : editText) {
        EXPECT_NE(call.at(0).toString(), "xabc");  // the refill is not reported
    }
}

TEST_F(ComboBox2Test, TypingGoesOnWhileTheListHasTheKeyboard) {
    Fill({"xabc", "Abd"});
    QTest::keyClicks(box.lineEdit(), "ab");
    ASSERT_TRUE(ListOpen());
    QTest::keyClick(box.view(), Qt::Key_C);
    EXPECT_EQ(box.lineEdit()->text(), "abc");
    EXPECT_EQ(Entries(box), QStringList{"xabc"});
    QTest::keyClick(box.view(), Qt::Key_Backspace);
    EXPECT_EQ(box.lineEdit()->text(), "ab");
    EXPECT_EQ(Entries(box), (QStringList{"xabc", "abd"}));

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("d"));
    QCoreApplication::sendEvent(box.view(), &commit);
    EXPECT_EQ(box.lineEdit()->text(), "abd");
    EXPECT_EQ(Entries(box), QStringList{"abd"});
}

TEST_F(ComboBox2Test, ReturnDoesNotInsertTypedText) {
    Fill({"xabc"});
    QTest::keyClicks(box.lineEdit(), "new");
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(box.lineEdit()->text(), "new");
    EXPECT_EQ(box.History(), QStringList{"xabc"});
}

}  // namespace
