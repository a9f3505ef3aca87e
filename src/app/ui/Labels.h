#pragma once
// The two label kinds of the main window: banner pictures that report clicks
// and the links of the link bar.
#include <QLabel>
#include <QString>

namespace varnolt {

// A label that reports clicks (banner pictures).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// An underlined link label with a hand cursor that turns blue under the mouse
// and opens its target through the desktop when clicked. It takes the focus
// by Tab (when it shows a text) and opens its target by Enter or Space.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);
    void SetTarget(const QString& url) { target_ = url; }
    QString Target() const { return target_; }
signals:
    void linkClicked(const QString& target);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetHot(bool hot);
    QString target_;
};

}  // namespace varnolt
