#include "gui/ComboBox2.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

CComboBox2::CComboBox2(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // The list only offers history; typing must not insert into it or complete the text.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CComboBox2::OnTextEdited);
    connect(this, &QComboBox::activated, this, [this] { choiceMade_ = true; });

    // While the list is open it holds the keyboard: typing is passed on to the edit so the
    // user can go on typing. Its hiding tells whether the user left it without a choice.
    QAbstractItemView* list = view();
    list->setAttribute(Qt::WA_InputMethodEnabled);
    list->installEventFilter(this);
    list->window()->installEventFilter(this);
}

void CComboBox2::AddHistory(const QString& text) {
    history_.append(text);
}

void CComboBox2::showPopup() {
    if (!suppressRefill_) {
        SetEntries(history_);
    }
    choiceMade_ = false;
    QComboBox::showPopup();
}

void CComboBox2::OnTextEdited(const QString& text) {
    if (text.isEmpty()) {
        hidePopup();
        emit EditChanged(text);
        return;
    }
    QLineEdit* edit = lineEdit();
    const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const QString typed = text.toLower();
    const QString marker = QString::fromUtf16(CutMarker);
    QStringList entries;
    for (const QString& item : std::as_const(history_)) {
        QString copy = item.toLower();
        if (!copy.contains(typed)) {
            continue;
        }
        const qsizetype cut = copy.indexOf(marker);
        if (cut >= 0) {
            copy.truncate(cut);
        }
        entries.append(copy);
    }
    SetEntries(entries);
    if (entries.isEmpty()) {
        hidePopup();
    } else {
        suppressRefill_ = true;
        showPopup();
        suppressRefill_ = false;
    }
    {
        QSignalBlocker block(this);
        if (edit->text() != text) {
            edit->setText(text);
        }
        edit->setCursorPosition(caret);
    }
    emit EditChanged(text);
}

void CComboBox2::SetEntries(const QStringList& entries) {
    QLineEdit* edit = lineEdit();
    const QString text = edit->text();
    const int caret = edit->cursorPosition();
    // Filling an empty box would select its first entry and copy it into the edit; the
    // owner must not see these internal changes.
    QSignalBlocker block(this);
    clear();
    addItems(entries);
    setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(caret);
}

void CComboBox2::OnPopupHidden() {
    // Reopened in the meantime (the filter) or closed by picking an entry: keep the list.
    if (view()->isVisible() || choiceMade_) {
        return;
    }
    SetEntries({});
}

bool CComboBox2::ForwardToEdit(QEvent* event) {
    if (event->type() == QEvent::InputMethod || event->type() == QEvent::InputMethodQuery) {
        QCoreApplication::sendEvent(lineEdit(), event);
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & Qt::AltModifier) {
        return false;
    }
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_F4:
            return false;  // the list's own navigation and closing keys
        default:
            QCoreApplication::sendEvent(lineEdit(), event);
            return true;
    }
}

bool CComboBox2::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* list = view();
    if (watched == list && ForwardToEdit(event)) {
        return true;
    }
    if (watched == list->window() && event->type() == QEvent::Hide) {
        QMetaObject::invokeMethod(this, &CComboBox2::OnPopupHidden, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}
