#pragma once
// The About box: icon, version line and a line about the product.

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The line under the version.
    static QString AboutLine();
};
