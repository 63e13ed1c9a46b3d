// What every window shares: Qt's own texts in Chinese, titles without the program's name
// appended, the program's icon, links that look disabled when they are, the find bar's focus.

#include "app/Version.h"
#include "gui/DlgFind.h"
#include "gui/LinkLabel.h"
#include "gui/QuorvixDlg.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// How many pixels of the picture are close to the colour.
int PixelsNear(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <
                40) {
                ++count;
            }
        }
    }
    return count;
}

TEST(Look, StandardButtonsAndDialogsAreChineseWhateverTheLocale) {
    const QLocale before;
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::Chinese, QLocale::China)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
        EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));

        QFileDialog dialog(nullptr, QStringLiteral("导出"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QStringList texts;
        for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
            texts << button->text();
        }
        EXPECT_TRUE(texts.contains(QStringLiteral("取消"))) << texts.join(u' ').toStdString();
        EXPECT_FALSE(texts.contains(QStringLiteral("Cancel")));
    }
    QLocale::setDefault(before);
}

TEST(Look, TitlesAndIcon) {
    // Nothing is appended to the titles the program gives.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32).isNull());
    TempDir settings;
    StartOptions options;
    options.settingsDir = settings.path();
    options.readClipboard = false;
    CQuorvixDlg window(options);
    EXPECT_EQ(window.windowTitle(), ProductTitle());
    EXPECT_FALSE(window.windowIcon().pixmap(32).isNull());
    CDlgFind find(&window);
    EXPECT_FALSE(find.windowIcon().pixmap(32).isNull());
}

TEST(Look, DisabledLinksLookDisabled) {
    LinkLabel link(QStringLiteral("查找"), QStringLiteral("#"));
    link.setAutoFillBackground(true);
    link.resize(80, 30);
    const QColor linkColour = link.palette().color(QPalette::Link);
    EXPECT_GT(PixelsNear(link.grab().toImage(), linkColour), 0);
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);

    link.setEnabled(false);
    const QImage disabled = link.grab().toImage();
    EXPECT_EQ(PixelsNear(disabled, linkColour), 0);
    EXPECT_GT(PixelsNear(disabled, link.palette().color(QPalette::Disabled, QPalette::WindowText)),
              0);
    EXPECT_EQ(link.cursor().shape(), Qt::ArrowCursor);

    link.setEnabled(true);
    EXPECT_GT(PixelsNear(link.grab().toImage(), linkColour), 0);
}

TEST(Look, OpeningTheFindBarGivesItTheKeyboard) {
    TempDir settings;
    StartOptions options;
    options.settingsDir = settings.path();
    options.readClipboard = false;
    CQuorvixDlg window(options);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.OnFind();
    auto* edit = window.findChild<QLineEdit*>(QStringLiteral("edit1639"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("旧"));
    window.OnFind();
    EXPECT_TRUE(QTest::qWaitFor([edit] { return QApplication::focusWidget() == edit; }));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("旧"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("new"));
    EXPECT_EQ(edit->text(), QStringLiteral("new"));
}

}  // namespace
