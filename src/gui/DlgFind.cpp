#include "gui/DlgFind.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

CDlgFind::CDlgFind(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("dlgFind"));
    setWindowTitle(QStringLiteral("相册搜索"));

    // The bar has no caption: the title label stands in for it, the × button closes.
    auto* title = new QLabel(QStringLiteral("相册搜索"), this);
    auto* close = new QPushButton(QStringLiteral("×"), this);
    close->setObjectName(QStringLiteral("button1699"));
    close->setAutoDefault(false);
    close->setFocusPolicy(Qt::NoFocus);  // the keyword box takes the focus when the bar opens
    close->setFlat(true);
    close->setFixedSize(close->fontMetrics().height() + 4, close->fontMetrics().height() + 2);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(title, 1);
    titleRow->addWidget(close, 0, Qt::AlignTop);

    auto* label = new QLabel(QStringLiteral("关键字:"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit1639"));
    matchCase_ = new QCheckBox(QStringLiteral("区分大小写"), this);
    matchCase_->setObjectName(QStringLiteral("check1033"));
    wholeCell_ = new QCheckBox(QStringLiteral("全字匹配"), this);
    wholeCell_->setObjectName(QStringLiteral("check1034"));
    previous_ = new QPushButton(QStringLiteral("上一个"), this);
    previous_->setObjectName(QStringLiteral("button1701"));
    next_ = new QPushButton(QStringLiteral("下一个"), this);
    next_->setObjectName(QStringLiteral("button1006"));
    next_->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(edit_, 0, 1, 1, 2);
    grid->addWidget(matchCase_, 1, 0, 1, 2);
    grid->addWidget(wholeCell_, 1, 2);
    grid->addWidget(previous_, 2, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(next_, 2, 2, Qt::AlignRight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 2, 6);
    layout->addLayout(titleRow);
    layout->addLayout(grid);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(previous_, &QPushButton::clicked, this, [this] { Search(false); });
    connect(next_, &QPushButton::clicked, this, &CDlgFind::OnNextOrFilter);
    connect(close, &QPushButton::clicked, this, &CDlgFind::reject);
}

void CDlgFind::SetFindMode(bool findBar) {
    findMode_ = findBar;
    matchCase_->setVisible(findBar);
    wholeCell_->setVisible(findBar);
    previous_->setVisible(findBar);
    next_->setText(findBar ? QStringLiteral("下一个") : QStringLiteral("筛选"));
}

void CDlgFind::FocusKeyword() {
    raise();
    activateWindow();
    edit_->setFocus(Qt::OtherFocusReason);
    edit_->selectAll();
}

QString CDlgFind::Keyword() const {
    return edit_->text().trimmed();
}

void CDlgFind::OnNextOrFilter() {
    if (findMode_) {
        Search(true);
    } else {
        accept();  // the keyword stays in the box for Keyword()
    }
}

void CDlgFind::Search(bool forward) {
    if (grid_ == nullptr) {
        return;
    }
    const QString keyword = Keyword();
    const bool ignoreCase = !matchCase_->isChecked();
    const bool wholeCell = wholeCell_->isChecked();
    const int start = grid_->SelectedTopRow();
    if (grid_->FindRow(start, keyword, forward, ignoreCase, wholeCell)) {
        return;
    }
    // Wrap around: from just above the first album row, or from below the last row.
    const int wrapStart = forward ? grid_->FixedRowCount() - 1 : grid_->RowCount();
    grid_->FindRow(wrapStart, keyword, forward, ignoreCase, wholeCell);
}

void CDlgFind::reject() {
    if (findMode_ && grid_ != nullptr) {
        grid_->SetSingleRowSelection(false);
    }
    QDialog::reject();
}

void CDlgFind::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // A thin border, as the window has no frame of its own.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// The left button pressed anywhere on the bar (outside its controls) drags the window.
void CDlgFind::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void CDlgFind::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - dragOffset_);
    event->accept();
}

void CDlgFind::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
    QDialog::mouseReleaseEvent(event);
}
