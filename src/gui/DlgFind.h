#pragma once
// The find bar and the filter dialog of the album grid: one small frameless window with a
// keyword box. As the find bar (non-modal) it searches the grid forward and backward, wrapping
// around at the ends; as the filter dialog (modal) it only asks for the keyword.

#include <QDialog>
#include <QPoint>
#include <QPointer>

#include "gui/MyGridCtrl.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDlgFind : public QDialog {
    Q_OBJECT
public:
    explicit CDlgFind(QWidget* parent = nullptr);

    void SetGrid(CMyGridCtrl* grid) { grid_ = grid; }
    // Find bar (the default): the case and whole-cell boxes and both search buttons are shown.
    // Filter dialog: they are hidden and the one button confirms.
    void SetFindMode(bool findBar);
    bool FindMode() const { return findMode_; }
    // The keyword box's text without white space at its ends.
    QString Keyword() const;
    // Gives the keyboard to the keyword box, its text selected (typing replaces it).
    void FocusKeyword();

    // Closing the find bar switches the grid's single-row selection off and hides the bar;
    // closing the filter dialog ends it with cancel.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Search(bool forward);
    void OnNextOrFilter();

    QPointer<CMyGridCtrl> grid_;
    bool findMode_ = true;
    QLineEdit* edit_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* wholeCell_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    // Offset of the pointer from the window's corner while the bar is dragged.
    QPoint dragOffset_;
    bool dragging_ = false;
};
