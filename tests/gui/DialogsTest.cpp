// The download-parameter and naming dialogs and the About box, driven through their controls.

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "download/SaveRules.h"
#include "gui/AboutDlg.h"
#include "gui/DlgAria2.h"
#include "gui/DlgDownSet.h"
#include "gui/DlgSaveSet.h"
#include "gui/MessageBox.h"

// Readable texts in failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Collects the message boxes shown while it lives instead of showing them.
class BoxCatcher {
public:
    BoxCatcher() {
        previous_ = SetMessageBoxHook({[this](QWidget*, const QString& text, const QString& title) {
                                           texts.append(text);
                                           titles.append(title);
                                       },
                                       {}});
    }
    ~BoxCatcher() { SetMessageBoxHook(previous_); }
    QStringList texts;
    QStringList titles;

private:
    MessageBoxHook previous_;
};

template <typename T>
T* Child(QWidget& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void SetEdit(QWidget& dialog, const char* name, const QString& text) {
    Child<QLineEdit>(dialog, name)->setText(text);
}

void Click(QWidget& dialog, const char* name) {
    QTest::mouseClick(Child<QAbstractButton>(dialog, name), Qt::LeftButton);
}

// ---- download parameters ----

struct Params {
    uint16_t minSizeKb, maxSizeKb, threadCount, timeoutSec;
};

Params Read(const DownloadParams& p) {
    return {p.minSizeKb, p.maxSizeKb, p.threadCount, p.timeoutSec};
}

bool operator==(const Params& a, const Params& b) {
    return a.minSizeKb == b.minSizeKb && a.maxSizeKb == b.maxSizeKb &&
           a.threadCount == b.threadCount && a.timeoutSec == b.timeoutSec;
}

std::ostream& operator<<(std::ostream& out, const Params& p) {
    return out << "{min " << p.minSizeKb << ", max " << p.maxSizeKb << ", threads " << p.threadCount
               << ", timeout " << p.timeoutSec << "}";
}

TEST(DlgDownSetTest, ShowsTheFourValuesWithTheirLabels) {
    DownloadParams params{5, 65535, 3, 20};
    CDlgDownSet dialog(&params);
    EXPECT_EQ(dialog.windowTitle(), "设置");
    struct Field {
        const char* name;
        QString label;
        QString value;
    };
    const Field fields[] = {{"edit1002", "线程数(1~15)：", "3"},
                            {"edit1003", "超时(S, >=10)：", "20"},
                            {"edit1000", "图片最小值(K)：", "5"},
                            {"edit1001", "图片最大值(K)：", "65535"}};
    auto* group = dialog.findChild<QGroupBox*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "下载参数设置");
    auto* form = qobject_cast<QFormLayout*>(group->layout());
    ASSERT_NE(form, nullptr);
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        QLineEdit* edit = Child<QLineEdit>(dialog, f.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), f.value);
        auto* label = qobject_cast<QLabel*>(form->labelForField(edit));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), f.label);
    }
    EXPECT_EQ(Child<QPushButton>(dialog, "button1023")->text(), "确 定");
}

TEST(DlgDownSetTest, OkStoresSixteenBitValuesAndAcceptsOnlySoundOnes) {
    struct Case {
        QString threads, timeout, minSize, maxSize;
        Params stored;
        bool accepted;
    };
    const Case cases[] = {
        {"15", "10", "5", "0", {5, 0, 15, 10}, true},
        {"1", "-1", "0", "100", {0, 100, 1, 65535}, true},  // -1 is 65535: passes
        {"16", "10", "0", "0", {0, 0, 16, 10}, false},
        {"0", "10", "0", "0", {0, 0, 0, 10}, false},
        {"15", "9", "0", "0", {0, 0, 15, 9}, false},
        {"abc", "30", "x", "-2", {0, 65534, 0, 30}, false},       // not a number reads as 0
        {"65537", " 30 ", "70000", "0", {4464, 0, 1, 30}, true},  // cut to 16 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.threads + "/" + c.timeout).toStdString());
        BoxCatcher boxes;
        DownloadParams params{1, 2, 3, 40};
        CDlgDownSet dialog(&params);
        dialog.show();
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        SetEdit(dialog, "edit1002", c.threads);
        SetEdit(dialog, "edit1003", c.timeout);
        SetEdit(dialog, "edit1000", c.minSize);
        SetEdit(dialog, "edit1001", c.maxSize);
        Click(dialog, "button1023");
        EXPECT_EQ(Read(params), c.stored);
        EXPECT_EQ(accepted.count(), c.accepted ? 1 : 0);
        EXPECT_EQ(dialog.isVisible(), !c.accepted);
        EXPECT_EQ(boxes.texts, c.accepted ? QStringList() : QStringList{"参数错误"});
    }
}

TEST(DlgDownSetTest, CancelAfterRejectedAttemptRestoresTheRecord) {
    BoxCatcher boxes;
    DownloadParams params{5, 100, 4, 30};
    CDlgDownSet dialog(&params);
    dialog.show();
    SetEdit(dialog, "edit1002", "16");
    SetEdit(dialog, "edit1000", "7");
    Click(dialog, "button1023");
    ASSERT_EQ(boxes.texts, QStringList{"参数错误"});
    ASSERT_EQ(params.threadCount, 16);  // written before the check
    Click(dialog, "button2");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Read(params), (Params{5, 100, 4, 30}));
}

TEST(DlgDownSetTest, EscapeLeavesTheRecordUnchanged) {
    BoxCatcher boxes;
    DownloadParams params{5, 100, 4, 30};
    CDlgDownSet dialog(&params);
    dialog.show();
    SetEdit(dialog, "edit1003", "3");
    Click(dialog, "button1023");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Read(params), (Params{5, 100, 4, 30}));
}

// ---- naming rules ----

TEST(DlgSaveSetTest, ShowsTheRecordInItsControls) {
    SaveRules rules;
    rules.filePrefix = "fp";
    rules.fileSuffix = "fs";
    rules.replaceFrom = "a|b";
    rules.replaceTo = "c|d";
    rules.albumPrefix = "ap";
    rules.albumSuffix = "as";
    CDlgSaveSet dialog(&rules);
    EXPECT_EQ(dialog.windowTitle(), "设置");
    const std::pair<const char*, QString> edits[] = {{"edit1000", "fp"},  {"edit1001", "fs"},
                                                     {"edit1021", "a|b"}, {"edit1022", "c|d"},
                                                     {"edit1002", "ap"},  {"edit1003", "as"}};
    for (const auto& [name, text] : edits) {
        EXPECT_EQ(Child<QLineEdit>(dialog, name)->text(), text) << name;
    }
    const std::pair<const char*, QString> captions[] = {
        {"radio1016", "描述"},   {"radio1017", "序号"}, {"radio1018", "网址"},
        {"radio1019", "相册名"}, {"radio1020", "无"},   {"button1023", "确 定"}};
    for (const auto& [name, text] : captions) {
        EXPECT_EQ(Child<QAbstractButton>(dialog, name)->text(), text) << name;
    }
    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        groups.append(group->title());
    }
    EXPECT_EQ(groups, (QStringList{"文件名", "相册路径(相册名)"}));
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        labels.append(label->text());
    }
    EXPECT_EQ(labels.count("前缀"), 2);
    EXPECT_EQ(labels.count("后缀"), 2);
    EXPECT_EQ(labels.count("替换为"), 1);
    EXPECT_TRUE(Child<QLabel>(dialog, "link1010")->text().contains("前后缀说明"));
}

TEST(DlgSaveSetTest, ModesSelectTheirRadios) {
    struct Case {
        uint8_t fileNameMode, albumNameMode;
        const char* fileRadio;
        const char* albumRadio;
    };
    const Case cases[] = {{0, 0, "radio1016", "radio1019"},
                          {1, 1, "radio1017", "radio1020"},
                          {2, 0, "radio1018", "radio1019"},
                          {7, 5, "radio1017", "radio1020"}};  // unknown modes behave so
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileNameMode);
        SaveRules rules;
        rules.fileNameMode = c.fileNameMode;
        rules.albumNameMode = c.albumNameMode;
        CDlgSaveSet dialog(&rules);
        EXPECT_TRUE(Child<QRadioButton>(dialog, c.fileRadio)->isChecked());
        EXPECT_TRUE(Child<QRadioButton>(dialog, c.albumRadio)->isChecked());
        int checked = 0;
        for (const QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
            checked += radio->isChecked() ? 1 : 0;
        }
        EXPECT_EQ(checked, 2);
    }
}

TEST(DlgSaveSetTest, OkStoresRadiosAndTextsCutTo38Units) {
    struct Case {
        const char* fileRadio;
        const char* albumRadio;
        uint8_t fileNameMode, albumNameMode;
    };
    const Case cases[] = {{"radio1018", "radio1020", 2, 1},
                          {"radio1016", "radio1019", 0, 0},
                          {"radio1017", "radio1020", 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileRadio);
        SaveRules rules;
        rules.fileNameMode = 1;
        rules.albumNameMode = 0;
        CDlgSaveSet dialog(&rules);
        dialog.show();
        const QString fifty = QString(50, u'p');
        const QString pair = QString(37, u'a') + QStringLiteral("😀");  // 39 units
        SetEdit(dialog, "edit1000", fifty);
        SetEdit(dialog, "edit1001", pair);
        SetEdit(dialog, "edit1021", QString(38, u'r'));
        SetEdit(dialog, "edit1022", "to");
        SetEdit(dialog, "edit1002", QString(45, u'q'));
        SetEdit(dialog, "edit1003", "");
        Click(dialog, c.fileRadio);
        Click(dialog, c.albumRadio);
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        Click(dialog, "button1023");
        EXPECT_EQ(accepted.count(), 1);
        EXPECT_EQ(rules.filePrefix, fifty.left(38));
        EXPECT_EQ(rules.fileSuffix, QString(37, u'a'));  // the pair is not split
        EXPECT_EQ(rules.replaceFrom, QString(38, u'r'));
        EXPECT_EQ(rules.replaceTo, "to");
        EXPECT_EQ(rules.albumPrefix, QString(38, u'q'));
        EXPECT_EQ(rules.albumSuffix, "");
        EXPECT_EQ(rules.fileNameMode, c.fileNameMode);
        EXPECT_EQ(rules.albumNameMode, c.albumNameMode);
    }
}

TEST(DlgSaveSetTest, CancelChangesNothing) {
    SaveRules rules;
    rules.filePrefix = "keep";
    rules.fileNameMode = 2;
    CDlgSaveSet dialog(&rules);
    dialog.show();
    SetEdit(dialog, "edit1000", "changed");
    Click(dialog, "radio1016");
    Click(dialog, "button2");
    EXPECT_EQ(rules.filePrefix, "keep");
    EXPECT_EQ(rules.fileNameMode, 2);
}

TEST(DlgSaveSetTest, HelpLinkShowsTheFiveParagraphsInOneBox) {
    BoxCatcher boxes;
    SaveRules rules;
    CDlgSaveSet dialog(&rules);
    emit Child<QLabel>(dialog, "link1010")->linkActivated("help");
    ASSERT_EQ(boxes.texts.size(), 1);
    const QString tail =
        QStringLiteral(
            "相册名那里前后缀一样\n同时，支持转义字符，当前后缀中含有转义字符时，"
            "程序会将转义字符转换为转义字符所表示的字符串\n") +
        QStringLiteral("转义字符如下（问号为英文的问号，相册名的转义字符只支持?1,?3,?9）：\n") +
        QStringLiteral(
            "?1:相册名称\n?2:图片在相册中的序号\n?3:相册在列表中的序号(格式为：1,2,"
            "3...)\n?4:未定义\n?5:未定义\n?6:选中的相册数\n?7:总共的相册数(选中的+"
            "未选中的)\n?9:相册在列表中的序号(格式为：0001,0002,0003...)");
    const QString& text = boxes.texts[0];
    ASSERT_TRUE(text.endsWith(tail));
    const QString intro = text.left(text.size() - tail.size());
    EXPECT_EQ(intro.count(u'\n'), 2);  // two paragraphs of their own
    EXPECT_TRUE(intro.endsWith(u'\n'));
    EXPECT_TRUE(intro.contains("前缀") && intro.contains("后缀") && intro.contains(".jpg"));
}

// ---- About box ----

// ---- aria2 ----

TEST(DlgAria2Test, ChoosesTheDaemonAndRefusesAnAddressThatIsNone) {
    BoxCatcher boxes;
    LinuxSettings settings;
    CDlgAria2 dialog(&settings);
    EXPECT_TRUE(Child<QRadioButton>(dialog, "radioOwn")->isChecked());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "editRpc")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(dialog, "editSecret")->echoMode(), QLineEdit::Password);
    Click(dialog, "radioAria2");
    EXPECT_TRUE(Child<QLineEdit>(dialog, "editRpc")->isEnabled());
    SetEdit(dialog, "editRpc", QStringLiteral("ftp:nothing"));
    Click(dialog, "buttonOk");
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(settings.transport, PictureTransport::Quorvix);  // nothing taken

    SetEdit(dialog, "editRpc", QStringLiteral(" http://nas.local:6800/jsonrpc "));
    SetEdit(dialog, "editSecret", QStringLiteral("s3cr3t"));
    Click(dialog, "buttonOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.transport, PictureTransport::Aria2Rpc);
    EXPECT_EQ(settings.aria2Rpc, QStringLiteral("http://nas.local:6800/jsonrpc"));
    EXPECT_EQ(settings.aria2Secret, QStringLiteral("s3cr3t"));
}

TEST(AboutDlgTest, ShowsVersionAndClosesWithOk) {
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "关于");
    EXPECT_EQ(Child<QLabel>(dialog, "label1014")->text(), "版本号：14.07.08.01");
    EXPECT_FALSE(Child<QLabel>(dialog, "label1015")->text().isEmpty());
    EXPECT_FALSE(Child<QLabel>(dialog, "iconLabel")->pixmap().isNull());
    dialog.show();
    Click(dialog, "button1");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
