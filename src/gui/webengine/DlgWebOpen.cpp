#include "gui/webengine/DlgWebOpen.h"

#include "gui/Clipboard.h"
#include "gui/webengine/BrowserProfile.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

constexpr int kTopHeight = 30;  // the row of the address box above the browser
constexpr int kGap = 5;         // between the address box and the open button

}  // namespace

CDlgWebOpen::CDlgWebOpen(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgWebOpen"));
    setWindowTitle(QStringLiteral("登录成功后手动关闭对话框"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto* label = new QLabel(QStringLiteral("网址："), this);
    label->setGeometry(4, 6, 44, 18);
    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("edit1001"));
    open_ = new QPushButton(QStringLiteral("打开"), this);
    open_->setObjectName(QStringLiteral("button1026"));
    open_->setAutoDefault(false);
    open_->resize(56, 26);
    browser_ = new QWebEngineView(this);
    browser_->setObjectName(QStringLiteral("browser1025"));
    browser_->setPage(new QWebEnginePage(&SharedBrowserProfile(), browser_));
    connect(open_, &QPushButton::clicked, this, &CDlgWebOpen::OnOpen);
    resize(820, 700);
}

void CDlgWebOpen::Prepare() {
    if (QWidget* owner = parentWidget()) {
        move(owner->geometry().center() - rect().center());
    }
    GiveStoreCookiesToBrowser();
    if (!startAddress_.isEmpty()) {
        address_->setText(startAddress_);
        browser_->setUrl(QUrl::fromUserInput(startAddress_));
    } else {
        address_->setText(GetClipboardText());
    }
}

void CDlgWebOpen::OnOpen() {
    const QString text = address_->text().trimmed();
    if (!text.isEmpty()) {
        browser_->setUrl(QUrl::fromUserInput(text));
    }
}

void CDlgWebOpen::PlaceControls() {
    const int width = this->width();
    open_->move(width - open_->width(), 2);
    address_->setGeometry(48, 4, std::max(0, open_->x() - kGap - 48), 22);
    browser_->setGeometry(0, kTopHeight, width, std::max(0, height() - kTopHeight));
}

void CDlgWebOpen::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceControls();
}

void CDlgWebOpen::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape end the window, as its close box does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
