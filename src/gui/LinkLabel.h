#pragma once
// A text link of the main window ("查找", "筛选", "导出", the home page). Enabled, it is drawn as
// a link with the pointing-hand cursor; disabled, as plain text in the palette's disabled text
// colour with the ordinary cursor, so it no longer looks clickable.

#include <QLabel>

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, const QString& href, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Refresh();

    QString text_;
    QString href_;
};
