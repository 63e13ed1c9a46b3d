#include "gui/DlgAria2.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/MessageBox.h"

CDlgAria2::CDlgAria2(LinuxSettings* settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("aria2 下载设置"));

    auto* group = new QGroupBox(QStringLiteral("图片由谁下载"), this);
    auto* form = new QFormLayout(group);
    own_ = new QRadioButton(QStringLiteral("由本程序下载"), group);
    own_->setObjectName(QStringLiteral("radioOwn"));
    aria2_ =
        new QRadioButton(QStringLiteral("交给 aria2 下载（需先启动 aria2c --enable-rpc）"), group);
    aria2_->setObjectName(QStringLiteral("radioAria2"));
    rpc_ = new QLineEdit(settings->aria2Rpc, group);
    rpc_->setObjectName(QStringLiteral("editRpc"));
    secret_ = new QLineEdit(settings->aria2Secret, group);
    secret_->setObjectName(QStringLiteral("editSecret"));
    secret_->setEchoMode(QLineEdit::Password);
    form->addRow(own_);
    form->addRow(aria2_);
    form->addRow(QStringLiteral("RPC 地址："), rpc_);
    form->addRow(QStringLiteral("RPC 密钥："), secret_);
    (settings->transport == PictureTransport::Aria2Rpc ? aria2_ : own_)->setChecked(true);
    connect(aria2_, &QRadioButton::toggled, this, &CDlgAria2::UpdateEnabled);
    UpdateEnabled();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确 定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("buttonOk"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("取 消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgAria2::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgAria2::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void CDlgAria2::UpdateEnabled() {
    rpc_->setEnabled(aria2_->isChecked());
    secret_->setEnabled(aria2_->isChecked());
}

void CDlgAria2::accept() {
    const QString rpc = rpc_->text().trimmed();
    const QUrl url(rpc);
    if (aria2_->isChecked() &&
        (!url.isValid() || url.host().isEmpty() ||
         (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))) {
        ShowMessageBox(
            this, QStringLiteral("aria2 的 RPC 地址有误，例如：http://127.0.0.1:6800/jsonrpc"));
        return;
    }
    settings_->transport =
        aria2_->isChecked() ? PictureTransport::Aria2Rpc : PictureTransport::Quorvix;
    settings_->aria2Rpc = rpc;
    settings_->aria2Secret = secret_->text();
    QDialog::accept();
}
