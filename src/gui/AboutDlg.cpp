#include "gui/AboutDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/Version.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于"));

    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    }
    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setPixmap(icon.pixmap(32, 32));

    auto* version = new QLabel(ProductVersionText(), this);
    version->setObjectName(QStringLiteral("label1014"));
    auto* about = new QLabel(AboutLine(), this);
    about->setObjectName(QStringLiteral("label1015"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAboutDlg::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(about, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::AboutLine() {
    return QStringLiteral("Quorvix 网络相册批量下载工具");
}
