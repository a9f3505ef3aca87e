#pragma once
#include <QPainterPath>
// The balloon that announces a new message: a frameless popup with a shadow,
// placed below and to the left of a screen point. It takes the mouse and the
// keyboard and closes on the next click or key press, or when the program
// loses activation. Showing it again closes the one on view first.
#include <QPoint>
#include <QString>
#include <QWidget>

class QLabel;

namespace varnolt {

class Balloon : public QWidget {
    Q_OBJECT

public:
    static constexpr int kShadow = 4;  // depth of the shadow in pixels
    static constexpr int kTail = 10;   // height of the tail that points at the anchor

    explicit Balloon(QWidget* parent = nullptr);

    // The first line of `text` is the heading, the rest the message.
    void ShowAt(const QPoint& screenAnchor, const QString& text);
    bool isShown() const { return isVisible(); }
    QString text() const { return text_; }
    QPoint anchor() const { return anchor_; }
    // Where the tail's tip is, in the balloon's own coordinates.
    QPoint tipOffset() const;
    // The outline of the balloon with its tail, in its own coordinates.
    QPainterPath Shape() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QLabel* lblHeading_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QString text_;
    QPoint anchor_;
};

}  // namespace varnolt
