#pragma once
// Download parameter dialog: thread count, time-out and picture size limits of one source kind.

#include <QDialog>

#include "download/SaveRules.h"

class QLineEdit;

class CDlgDownSet : public QDialog {
    Q_OBJECT
public:
    // Edits *params in place; the caller saves the settings when exec() returns Accepted.
    CDlgDownSet(DownloadParams* params, QWidget* parent = nullptr);

    // Reads the edits into the record, validates, and closes only when the values are sound;
    // otherwise shows "参数错误" and stays open (the record keeps the values read).
    void accept() override;
    // Restores the values the dialog started with, so a rejected attempt leaves no trace.
    void reject() override;

    // An edit's text read as a signed integer (0 when it is not a number), cut to 16 bits.
    static uint16_t ReadValue(const QString& text);

private:
    QLineEdit* AddEdit(class QFormLayout* form, const char* label, int id, uint16_t value);

    DownloadParams* params_;
    DownloadParams initial_;
    QLineEdit* editThreads_ = nullptr;  // 1002
    QLineEdit* editTimeout_ = nullptr;  // 1003
    QLineEdit* editMinSize_ = nullptr;  // 1000
    QLineEdit* editMaxSize_ = nullptr;  // 1001
};
