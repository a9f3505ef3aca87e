#include "app/ui/Labels.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace varnolt {

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setFocusPolicy(Qt::TabFocus);
    SetHot(false);
}

void LinkLabel::SetHot(bool hot) {
    // With the focus the link also shows a frame, so it is found without a
    // mouse; the frame is always there, unseen, so the text keeps its place.
    const QString colour = hot || hasFocus() ? QStringLiteral("color: #1a56c8; ") : QString();
    const QString frame = hasFocus() ? QStringLiteral("border: 1px dotted #1a56c8;")
                                     : QStringLiteral("border: 1px solid transparent;");
    setStyleSheet(colour + frame);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!text().isEmpty()) {
                emit linkClicked(target_);
            }
            event->accept();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void LinkLabel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    SetHot(underMouse());
}

void LinkLabel::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    SetHot(underMouse());
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetHot(true);
}

void LinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetHot(false);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit linkClicked(target_);
    }
}

}  // namespace varnolt
