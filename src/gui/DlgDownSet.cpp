#include "gui/DlgDownSet.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/MessageBox.h"

CDlgDownSet::CDlgDownSet(DownloadParams* params, QWidget* parent)
    : QDialog(parent), params_(params), initial_(*params) {
    setWindowTitle(QStringLiteral("设置"));

    auto* group = new QGroupBox(QStringLiteral("下载参数设置"), this);
    auto* form = new QFormLayout(group);
    editThreads_ = AddEdit(form, "线程数(1~15)：", 1002, params->threadCount);
    editTimeout_ = AddEdit(form, "超时(S, >=10)：", 1003, params->timeoutSec);
    editMinSize_ = AddEdit(form, "图片最小值(K)：", 1000, params->minSizeKb);
    editMaxSize_ = AddEdit(form, "图片最大值(K)：", 1001, params->maxSizeKb);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确 定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("button1023"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取 消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("button2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgDownSet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgDownSet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

QLineEdit* CDlgDownSet::AddEdit(QFormLayout* form, const char* label, int id, uint16_t value) {
    auto* edit = new QLineEdit(QString::number(value), this);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    form->addRow(QString::fromUtf8(label), edit);
    return edit;
}

uint16_t CDlgDownSet::ReadValue(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return static_cast<uint16_t>(ok ? value : 0);  // modular: -1 becomes 65535
}

void CDlgDownSet::accept() {
    params_->threadCount = ReadValue(editThreads_->text());
    params_->timeoutSec = ReadValue(editTimeout_->text());
    params_->minSizeKb = ReadValue(editMinSize_->text());
    params_->maxSizeKb = ReadValue(editMaxSize_->text());
    // The size limits are not checked: a maximum of 0 means no upper limit.
    if (params_->threadCount >= 1 && params_->threadCount <= 15 && params_->timeoutSec >= 10) {
        QDialog::accept();
        return;
    }
    ShowMessageBox(this, QStringLiteral("参数错误"));
}

void CDlgDownSet::reject() {
    *params_ = initial_;
    QDialog::reject();
}
