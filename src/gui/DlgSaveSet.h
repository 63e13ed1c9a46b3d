#pragma once
// Naming rules dialog: prefixes, suffixes, the replacement pair and the name modes of one
// source kind.

#include <QDialog>

#include "download/SaveRules.h"

class QButtonGroup;
class QLineEdit;

class CDlgSaveSet : public QDialog {
    Q_OBJECT
public:
    // Edits *rules in place; the caller saves the settings when exec() returns Accepted.
    CDlgSaveSet(SaveRules* rules, QWidget* parent = nullptr);

    // Stores the six texts (each cut to MaxTextLength) and the two radio indexes, then closes.
    void accept() override;

    // Shows HelpText() in a message box (the "前后缀说明" link).
    void ShowHelp();

    static constexpr int MaxTextLength = 38;
    // The text cut to MaxTextLength UTF-16 units, one less when the cut would split a
    // surrogate pair.
    static QString CutText(const QString& text);
    // Explanation of prefixes, suffixes and their escape codes.
    static QString HelpText();

private:
    QLineEdit* AddEdit(int id, const QString& text);
    QButtonGroup* AddRadios(class QHBoxLayout* row, int firstId, const QStringList& labels,
                            int checked);

    SaveRules* rules_;
    int fileNameRadio_ = 0;                 // index in "描述" / "序号" / "网址"
    int albumNameRadio_ = 0;                // index in "相册名" / "无"
    QLineEdit* editFilePrefix_ = nullptr;   // 1000
    QLineEdit* editFileSuffix_ = nullptr;   // 1001
    QLineEdit* editReplaceFrom_ = nullptr;  // 1021
    QLineEdit* editReplaceTo_ = nullptr;    // 1022
    QLineEdit* editAlbumPrefix_ = nullptr;  // 1002
    QLineEdit* editAlbumSuffix_ = nullptr;  // 1003
    QButtonGroup* fileNameGroup_ = nullptr;
    QButtonGroup* albumNameGroup_ = nullptr;
};
