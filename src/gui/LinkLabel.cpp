#include "gui/LinkLabel.h"

#include <QEvent>

LinkLabel::LinkLabel(const QString& text, const QString& href, QWidget* parent)
    : QLabel(parent), text_(text), href_(href) {
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Refresh();
}

void LinkLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        Refresh();
    }
}

void LinkLabel::Refresh() {
    if (isEnabled()) {
        setText(QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(href_.toHtmlEscaped(), text_.toHtmlEscaped()));
        setCursor(Qt::PointingHandCursor);
    } else {
        setText(text_.toHtmlEscaped());
        unsetCursor();
    }
}
