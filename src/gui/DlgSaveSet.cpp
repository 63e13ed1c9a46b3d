#include "gui/DlgSaveSet.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/MessageBox.h"

CDlgSaveSet::CDlgSaveSet(SaveRules* rules, QWidget* parent) : QDialog(parent), rules_(rules) {
    setWindowTitle(QStringLiteral("设置"));
    // Modes outside the known values select the radio that behaves like them.
    fileNameRadio_ = rules->fileNameMode <= FILE_NAME_ADDRESS ? rules->fileNameMode : 1;
    albumNameRadio_ = rules->albumNameMode == ALBUM_NAME_ALBUM ? 0 : 1;

    editFilePrefix_ = AddEdit(1000, rules->filePrefix);
    editFileSuffix_ = AddEdit(1001, rules->fileSuffix);
    editReplaceFrom_ = AddEdit(1021, rules->replaceFrom);
    editReplaceTo_ = AddEdit(1022, rules->replaceTo);
    editAlbumPrefix_ = AddEdit(1002, rules->albumPrefix);
    editAlbumSuffix_ = AddEdit(1003, rules->albumSuffix);

    auto* fileGroup = new QGroupBox(QStringLiteral("文件名"), this);
    auto* fileLayout = new QVBoxLayout(fileGroup);
    auto* fileAffixes = new QHBoxLayout;
    fileAffixes->addWidget(new QLabel(QStringLiteral("前缀"), fileGroup));
    fileAffixes->addWidget(editFilePrefix_);
    fileAffixes->addWidget(new QLabel(QStringLiteral("后缀"), fileGroup));
    fileAffixes->addWidget(editFileSuffix_);
    fileLayout->addLayout(fileAffixes);
    auto* fileModes = new QHBoxLayout;
    fileNameGroup_ = AddRadios(
        fileModes, 1016, {QStringLiteral("描述"), QStringLiteral("序号"), QStringLiteral("网址")},
        fileNameRadio_);
    fileLayout->addLayout(fileModes);
    auto* replace = new QHBoxLayout;
    replace->addWidget(editReplaceFrom_);
    replace->addWidget(new QLabel(QStringLiteral("替换为"), fileGroup));
    replace->addWidget(editReplaceTo_);
    fileLayout->addLayout(replace);

    auto* albumGroup = new QGroupBox(QStringLiteral("相册路径(相册名)"), this);
    auto* albumLayout = new QVBoxLayout(albumGroup);
    auto* albumAffixes = new QHBoxLayout;
    albumAffixes->addWidget(new QLabel(QStringLiteral("前缀"), albumGroup));
    albumAffixes->addWidget(editAlbumPrefix_);
    albumAffixes->addWidget(new QLabel(QStringLiteral("后缀"), albumGroup));
    albumAffixes->addWidget(editAlbumSuffix_);
    albumLayout->addLayout(albumAffixes);
    auto* albumModes = new QHBoxLayout;
    albumNameGroup_ = AddRadios(albumModes, 1019, {QStringLiteral("相册名"), QStringLiteral("无")},
                                albumNameRadio_);
    albumLayout->addLayout(albumModes);

    auto* help = new QLabel(QStringLiteral("<a href=\"help\">前后缀说明</a>"), this);
    help->setObjectName(QStringLiteral("link1010"));
    help->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(help, &QLabel::linkActivated, this, &CDlgSaveSet::ShowHelp);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确 定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("button1023"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取 消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("button2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgSaveSet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgSaveSet::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help);
    bottom->addStretch();
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileGroup);
    layout->addWidget(albumGroup);
    layout->addLayout(bottom);
}

QLineEdit* CDlgSaveSet::AddEdit(int id, const QString& text) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    return edit;
}

QButtonGroup* CDlgSaveSet::AddRadios(QHBoxLayout* row, int firstId, const QStringList& labels,
                                     int checked) {
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < labels.size(); ++i) {
        auto* radio = new QRadioButton(labels[i], this);
        radio->setObjectName(QStringLiteral("radio%1").arg(firstId + i));
        radio->setChecked(i == checked);
        group->addButton(radio, i);
        row->addWidget(radio);
    }
    row->addStretch();
    return group;
}

QString CDlgSaveSet::CutText(const QString& text) {
    if (text.size() <= MaxTextLength) {
        return text;
    }
    const bool splitsPair = text.at(MaxTextLength - 1).isHighSurrogate();
    return text.left(splitsPair ? MaxTextLength - 1 : MaxTextLength);
}

void CDlgSaveSet::accept() {
    // Each group always has one radio checked; the bounds only guard the stored range.
    fileNameRadio_ = qBound(0, fileNameGroup_->checkedId(), 2);
    albumNameRadio_ = qBound(0, albumNameGroup_->checkedId(), 1);
    rules_->filePrefix = CutText(editFilePrefix_->text());
    rules_->fileSuffix = CutText(editFileSuffix_->text());
    rules_->replaceFrom = CutText(editReplaceFrom_->text());
    rules_->replaceTo = CutText(editReplaceTo_->text());
    rules_->albumPrefix = CutText(editAlbumPrefix_->text());
    rules_->albumSuffix = CutText(editAlbumSuffix_->text());
    rules_->fileNameMode = static_cast<uint8_t>(fileNameRadio_);
    rules_->albumNameMode = static_cast<uint8_t>(albumNameRadio_);
    QDialog::accept();
}

void CDlgSaveSet::ShowHelp() {
    ShowMessageBox(this, HelpText());
}

QString CDlgSaveSet::HelpText() {
    return QStringLiteral(
               "前缀：加在图片名称前面的文字。例如图片名称为“风景.jpg”，前缀填“旅行_”，"
               "保存的文件名就是“旅行_风景.jpg”\n") +
           QStringLiteral(
               "后缀：加在图片名称后面、扩展名前面的文字。例如后缀填“_2014”，“风景.jpg”"
               "就保存为“风景_2014.jpg”\n") +
           QStringLiteral(
               "相册名那里前后缀一样\n同时，支持转义字符，当前后缀中含有转义字符时，"
               "程序会将转义字符转换为转义字符所表示的字符串\n") +
           QStringLiteral("转义字符如下（问号为英文的问号，相册名的转义字符只支持?1,?3,?9）：\n") +
           QStringLiteral(
               "?1:相册名称\n"
               "?2:图片在相册中的序号\n"
               "?3:相册在列表中的序号(格式为：1,2,3...)\n"
               "?4:未定义\n"
               "?5:未定义\n"
               "?6:选中的相册数\n"
               "?7:总共的相册数(选中的+未选中的)\n"
               "?9:相册在列表中的序号(格式为：0001,0002,0003...)");
}
