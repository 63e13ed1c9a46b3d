#pragma once
// Message boxes of the desktop program. Every window shows its boxes through these functions, so
// the widget tests can answer them without a modal loop (SetMessageBoxHook).

#include <QString>
#include <functional>

class QWidget;

// An information box with an OK button.
void ShowMessageBox(QWidget* parent, const QString& text,
                    const QString& title = QStringLiteral("提示"));

// A question with Yes and No buttons; true when the user chose Yes.
bool AskYesNoBox(QWidget* parent, const QString& text,
                 const QString& title = QStringLiteral("提示"));

// Replacement of both boxes, for tests. An empty function restores the real box.
struct MessageBoxHook {
    std::function<void(QWidget* parent, const QString& text, const QString& title)> show;
    std::function<bool(QWidget* parent, const QString& text, const QString& title)> ask;
};

// Installs a hook and returns the previous one (for restoring it afterwards).
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
