#include "gui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

QString GetClipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}
