#include "gui/MessageBox.h"

#include <QMessageBox>
#include <utility>

namespace {

// Only the user-interface thread shows boxes, so the hook needs no lock.
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text, const QString& title) {
    if (Hook().show) {
        Hook().show(parent, text, title);
        return;
    }
    QMessageBox::information(parent, title, text);
}

bool AskYesNoBox(QWidget* parent, const QString& text, const QString& title) {
    if (Hook().ask) {
        return Hook().ask(parent, text, title);
    }
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
