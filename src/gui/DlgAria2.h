#pragma once
// The aria2 dialog of the settings menu: download by this program itself, or hand the pictures
// to an aria2 daemon at its JSON-RPC address with its secret.

#include <QDialog>

#include "app/LinuxSettings.h"

class QLineEdit;
class QRadioButton;

class CDlgAria2 : public QDialog {
    Q_OBJECT
public:
    // Edits *settings in place when the dialog is accepted with sound values.
    CDlgAria2(LinuxSettings* settings, QWidget* parent = nullptr);

    // Takes the edits; an aria2 address must be an http or https address.
    void accept() override;

private:
    void UpdateEnabled();

    LinuxSettings* settings_;
    QRadioButton* own_ = nullptr;
    QRadioButton* aria2_ = nullptr;
    QLineEdit* rpc_ = nullptr;
    QLineEdit* secret_ = nullptr;
};
